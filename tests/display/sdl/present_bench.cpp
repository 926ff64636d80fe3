// present_bench.cpp - prints what presenting a frame and an idle poll cost on
// the SDL gauge window. Figures only, no verdict.
//
//   tests/display/sdl/with_own_xvfb.sh build/.../present_bench [frames]
//
// Under Xvfb there is no vertical retrace to wait for, so a present shows the
// cost of the copy into the texture and of the renderer itself.
#include "display/gauge_window.h"
#include "display/soft/soft_surface.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

void printFigures(const char* what, std::vector<double>& us) {
    std::sort(us.begin(), us.end());
    double sum = 0;
    for (double v : us) {
        sum += v;
    }
    std::printf("%-28s n=%zu  mean %.1f us  median %.1f us  p99 %.1f us\n", what, us.size(),
                sum / static_cast<double>(us.size()), us[us.size() / 2], us[us.size() * 99 / 100]);
}

} // namespace

int main(int argc, char** argv) {
    int frames = argc > 1 ? std::atoi(argv[1]) : 1000;
    if (frames < 1) {
        frames = 1000;
    }
    prepareDirect3D();
    GaugeWindow* window = openGaugeWindow("VOR Tavrin - 1.01", 0, 0);
    if (!window || !openSurface(window)) {
        std::fprintf(stderr, "present_bench: no window or surface: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Renderer* renderer = SDL_GetRenderer(SDL_GetWindowFromID(1));
    SDL_RendererInfo info{};
    if (renderer && SDL_GetRendererInfo(renderer, &info) == 0) {
        std::printf("renderer %s, vsync %s\n", info.name,
                    (info.flags & SDL_RENDERER_PRESENTVSYNC) ? "on" : "off");
    }
    while (pollEvent() != WindowEventNone) {
    }
    uint32_t* pixels = softSurfacePixels();
    std::vector<double> present;
    for (int i = 0; i < frames; ++i) {
        pixels[(i * 7919) % (GaugeClientWidth * GaugeClientHeight)] = static_cast<uint32_t>(i);
        Clock::time_point t0 = Clock::now();
        presentFrame();
        present.push_back(microseconds(Clock::now() - t0));
    }
    printFigures("presentFrame", present);
    std::vector<double> idle;
    for (int i = 0; i < frames * 10; ++i) {
        Clock::time_point t0 = Clock::now();
        pollEvent();
        idle.push_back(microseconds(Clock::now() - t0));
    }
    printFigures("pollEvent, nothing waiting", idle);
    closeSurface();
    destroyGaugeWindow(window);
    return 0;
}
