// frame_time_d3d9.cpp - what a gauge frame costs on the Direct3D 9 surface:
// the real start-up path, the real artwork, drawGauge() with the needles, the
// card and the flags changing every frame, then presentFrame() alone.
//
//   vor-frame-time-d3d9 [FRAMES]      default 500
//
// Prints "d3d9_draw_ms median P p99 Q", "d3d9_present_ms median P p99 Q" and
// "d3d9_compose_ms median P" (the draw less the present: the composition).
// drawGauge() ends with presentFrame(), so the composition is what is left of
// a frame once a present of the same frame is taken off. Figures only; under
// Wine, Direct3D is wined3d over the OpenGL driver that Wine finds (Mesa's
// software rasteriser on a headless machine), so these are no Windows figures.
#include "app/instrument_state.h"
#include "display/gauge_window.h"
#include "display/sprite_compositor.h"
#include "gauge/gauge_artwork.h"
#include "gauge/gauge_renderer.h"
#include "settings/settings.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double nowMilliseconds() {
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart) {
        QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1e3 / static_cast<double>(frequency.QuadPart);
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    size_t i = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// A different state every frame: both needles sweep, the card turns, the
// flags and the panel light come and go.
void setFrameState(int i) {
    storeField(instrumentState.connected, static_cast<int8_t>(1));
    storeField(instrumentState.toFrom, static_cast<int8_t>(i / 50 % 3));
    storeField(instrumentState.locNeedle, static_cast<int8_t>(i % 255 - 127));
    storeField(instrumentState.obsDegrees, static_cast<uint16_t>(i % 360));
    storeField(instrumentState.gsFlag, static_cast<uint16_t>(i / 70 % 2));
    storeField(instrumentState.gsNeedle, static_cast<int8_t>(127 - i % 255));
    storeField(instrumentState.lights, static_cast<uint16_t>(i / 90 % 2 ? 0x21 : 0x01));
}

} // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 500;
    prepareDirect3D();
    prepareSpriteDrawing();
    GaugeWindow* window = openGaugeWindow("gauge frame time", 0, 0);
    if (!window || !openSurface(window)) {
        std::fprintf(stderr, "no drawing surface\n");
        return 1;
    }
    makeTopmost(window);
    loadGaugeArtwork();
    setSmoothFiltering(true);
    setNeedleScales();
    settings.lightEnabled = 1;

    for (int i = 0; i < 20; ++i) { // the driver's first frames build its caches
        setFrameState(i);
        drawGauge();
        pollEvent();
    }
    std::vector<double> draws;
    std::vector<double> presents;
    for (int i = 0; i < frames; ++i) {
        setFrameState(i + 20);
        double t0 = nowMilliseconds();
        drawGauge();
        draws.push_back(nowMilliseconds() - t0);
        pollEvent();
    }
    for (int i = 0; i < frames; ++i) {
        double t0 = nowMilliseconds();
        presentFrame();
        presents.push_back(nowMilliseconds() - t0);
        pollEvent();
    }
    const double draw = percentile(draws, 0.5);
    const double present = percentile(presents, 0.5);
    std::printf("d3d9_draw_ms median %.3f p99 %.3f frames %d\n", draw, percentile(draws, 0.99),
                frames);
    std::printf("d3d9_present_ms median %.3f p99 %.3f\n", present, percentile(presents, 0.99));
    std::printf("d3d9_compose_ms median %.3f\n", std::max(0.0, draw - present));
    releaseAllSprites();
    closeSurface();
    destroyGaugeWindow(window);
    return 0;
}
