// frame_benchmark_d3d9.cpp - prints what a gauge-sized frame costs on the
// Direct3D 9 compositor: the CPU time of beginFrame, twenty draws (turned
// and not, the three pairs) and endFrame, and of a present. Figures only, no
// pass or fail: the machine and the driver (under Wine, wined3d on a software
// GL) decide them. Needs a display (DISPLAY under Wine).
//
//   display_win32_frame_benchmark [frames]
#include "display/gauge_window.h"
#include "display/sprite_compositor.h"
#include "display/win32/d3d9_surface.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double nowMicroseconds() {
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart) {
        QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    prepareDirect3D();
    prepareSpriteDrawing();
    GaugeWindow* window = openGaugeWindow("VOR Tavrin - benchmark", 0, 0);
    if (!window || !openSurface(window)) {
        std::printf("no Direct3D 9 surface\n");
        return 1;
    }
    setSmoothFiltering(true);
    // Sizes of the gauge's own layers: a full face, a card, needles, flags.
    const int sizes[][2] = {{300, 300}, {260, 260}, {9, 120}, {120, 9}, {38, 41}, {23, 49}};
    std::vector<SpriteHandle> sprites;
    for (const auto& size : sizes) {
        std::vector<uint8_t> pixels(static_cast<size_t>(size[0]) * size[1] * 4, 0x80);
        sprites.push_back(createSprite(size[0], size[1], pixels.data()));
    }
    std::vector<double> drawTimes;
    std::vector<double> presentTimes;
    for (int f = 0; f < frames; ++f) {
        const double t0 = nowMicroseconds();
        beginFrame();
        for (int i = 0; i < 20; ++i) {
            const SpriteHandle sprite = sprites[i % sprites.size()];
            setBlendPair(i % 3 == 0 ? BlendShadow : (i % 7 == 0 ? BlendLight : BlendNormal));
            setSpriteAngle(sprite, (i % 2) ? static_cast<float>(f % 360) + 0.1f : 0.0f);
            drawSprite(sprite, i * 3, i * 2, 255);
        }
        endFrame();
        const double t1 = nowMicroseconds();
        presentFrame();
        const double t2 = nowMicroseconds();
        drawTimes.push_back(t1 - t0);
        presentTimes.push_back(t2 - t1);
    }
    std::printf("frames: %d of 20 draws on a 300 x 300 surface\n", frames);
    std::printf("compose (beginFrame, 20 draws, endFrame): median %.1f us\n", median(drawTimes));
    std::printf("present (incl. the wait for the retrace, if any): median %.1f us\n",
                median(presentTimes));
    releaseAllSprites();
    closeSurface();
    destroyGaugeWindow(window);
    return 0;
}
