// soft_compositor_bench.cpp - what one gauge frame costs in the software
// compositor, and what each kind of draw costs. Prints figures; passes or
// fails nothing. Build it without sanitizers (the linux-release preset) to
// get the figures that matter.
//
// The artwork is made here with the sizes and the coverage of the real
// images: opaque bezel with a transparent centre opening, a face disc, a
// course card ring, a 416 x 300 needle that is transparent but for its bar,
// a translucent panel light, small flag and lamp sprites. A frame stacks
// them as the renderer does (16 draws with the panel light and the lamp,
// four of them the turned needle), bilinear filtering on, the needles and
// the card turning a little every frame. BM_RealGaugeFrame draws the same
// worst case with the real artwork through the renderer (drawGauge).
#include "app/instrument_state.h"
#include "display/gauge_window.h"
#include "display/sprite_compositor.h"
#include "gauge/gauge_artwork.h"
#include "gauge/gauge_renderer.h"
#include "settings/settings.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

struct Image {
    int32_t w, h;
    std::vector<uint8_t> bgra;
};

// Coverage of a pixel by a shape, with a one-pixel soft edge: 0..1 from a
// signed distance (negative inside).
double soft(double distance) {
    return distance <= -0.5 ? 1.0 : (distance >= 0.5 ? 0.0 : 0.5 - distance);
}

template <typename Alpha>
Image makeImage(int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b, Alpha alpha) {
    Image img{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 4)};
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = &img.bgra[(static_cast<size_t>(y) * w + x) * 4];
            const uint8_t noise = static_cast<uint8_t>((x * 7 + y * 13) % 9);
            p[0] = static_cast<uint8_t>(b + noise);
            p[1] = static_cast<uint8_t>(g + noise);
            p[2] = static_cast<uint8_t>(r + noise);
            p[3] = static_cast<uint8_t>(std::lround(255.0 * alpha(x, y)));
        }
    }
    return img;
}

double radiusAbout(int32_t x, int32_t y, double cx, double cy) {
    return std::hypot(x - cx, y - cy);
}

struct Art {
    SpriteHandle bezel, face, card, needle, flagFill, flagCover, navOff, gsOff, lamp, light, glow;
};

SpriteHandle sprite(const Image& img) {
    return createSprite(img.w, img.h, img.bgra.data());
}

Art makeArt() {
    Art a{};
    a.bezel = sprite(makeImage(300, 300, 33, 37, 38, [](int32_t x, int32_t y) {
        const double ex = (x - 150.5) / 94.0, ey = (y - 150.5) / 91.0;
        return 1.0 - soft((1.0 - std::sqrt(ex * ex + ey * ey)) * 91.0);
    }));
    a.face = sprite(makeImage(300, 300, 70, 70, 68, [](int32_t x, int32_t y) {
        return soft(radiusAbout(x, y, 151, 151) - 93.0);
    }));
    a.card = sprite(makeImage(300, 300, 20, 20, 20, [](int32_t x, int32_t y) {
        const double r = radiusAbout(x, y, 149.5, 149.5);
        return soft(r - 146.0) * (1.0 - soft(r - 92.0));
    }));
    a.needle = sprite(makeImage(416, 300, 240, 240, 230, [](int32_t x, int32_t y) {
        const double along = x - 207.5, across = std::fabs(y - 149.5);
        return along < -3.0 || along > 205.0 ? 0.0 : soft(across - 2.0);
    }));
    a.flagFill = sprite(makeImage(38, 41, 250, 245, 220, [](int32_t, int32_t) { return 1.0; }));
    a.flagCover = sprite(makeImage(56, 56, 20, 20, 20, [](int32_t, int32_t) { return 1.0; }));
    a.navOff = sprite(makeImage(48, 22, 200, 20, 20, [](int32_t, int32_t) { return 1.0; }));
    a.gsOff = sprite(makeImage(23, 49, 200, 20, 20, [](int32_t, int32_t) { return 1.0; }));
    a.lamp = sprite(makeImage(30, 30, 230, 30, 20, [](int32_t x, int32_t y) {
        return soft(radiusAbout(x, y, 14.5, 14.5) - 6.0);
    }));
    a.light = sprite(makeImage(300, 300, 200, 20, 10, [](int32_t x, int32_t y) {
        return 0.35 * std::exp(-radiusAbout(x, y, 150, 150) / 120.0);
    }));
    a.glow = sprite(makeImage(30, 30, 255, 60, 40, [](int32_t x, int32_t y) {
        return 0.5 * soft(radiusAbout(x, y, 14.5, 14.5) - 14.0);
    }));
    return a;
}

struct Fixture {
    GaugeWindow* window;
    Art art;
};

Fixture& fixture() {
    static Fixture f = [] {
        Fixture made{};
        prepareSpriteDrawing();
        made.window = openGaugeWindow("bench", 0, 0);
        openSurface(made.window);
        made.art = makeArt();
        setSmoothFiltering(true);
        return made;
    }();
    return f;
}

// The renderer's frame with the panel light on and no link: 16 draws.
void drawFrame(const Art& a, int step) {
    const float loc = static_cast<float>(step % 255 - 127) * (-23.0f / 127.0f);
    const float gs = static_cast<float>((step * 3) % 255 - 127) * (23.0f / 127.0f);
    beginFrame();
    setBlendPair(BlendNormal);
    drawSprite(a.flagFill, 168, 162, 255);
    drawSprite(a.flagCover, 168, 89, 255);
    drawSprite(a.flagCover, 127, 215, 255);
    drawSprite(a.gsOff, 221, 120, 255);
    setBlendPair(BlendShadow);
    drawSprite(a.face, 2, 2, 80);
    setBlendPair(BlendNormal);
    drawSprite(a.face, 0, 0, 255);
    setSpriteAngle(a.needle, loc + 90.1f);
    setBlendPair(BlendShadow);
    drawSprite(a.needle, -55, -152, 100);
    setBlendPair(BlendNormal);
    drawSprite(a.needle, -57, -156, 255);
    setSpriteAngle(a.needle, gs + 0.1f);
    setBlendPair(BlendShadow);
    drawSprite(a.needle, -206, 0, 100);
    setBlendPair(BlendNormal);
    drawSprite(a.needle, -208, -4, 255);
    setSpriteAngle(a.card, 360.0f - static_cast<float>(step % 360));
    setBlendPair(BlendNormal);
    drawSprite(a.card, 0, 0, 255);
    setBlendPair(BlendShadow);
    drawSprite(a.bezel, 3, 2, 100);
    setBlendPair(BlendNormal);
    drawSprite(a.bezel, 0, 0, 255);
    setBlendPair(BlendLight);
    drawSprite(a.light, 0, 0, 200);
    drawSprite(a.lamp, 40, 40, 255);
    drawSprite(a.glow, 40, 40, 255);
    setBlendPair(BlendNormal);
    endFrame();
}

void BM_GaugeFrame(benchmark::State& state) {
    const Art& a = fixture().art;
    int step = 0;
    for (auto _ : state) {
        drawFrame(a, step++);
        benchmark::ClobberMemory();
    }
    state.counters["draws"] = 16;
    state.counters["per_draw_us"] = benchmark::Counter(
        16.0 * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_GaugeFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The renderer with the real artwork: panel light on and no link, so 16
// draws; the needles and the card move every frame.
void BM_RealGaugeFrame(benchmark::State& state) {
    fixture();
    static const bool loaded = [] {
        loadGaugeArtwork();
        setNeedleScales();
        return true;
    }();
    (void)loaded;
    settings.lightEnabled = 1;
    instrumentState.connected.store(0);
    instrumentState.lights.store(0x20);
    instrumentState.toFrom.store(1);
    instrumentState.gsFlag.store(0);
    int step = 0;
    for (auto _ : state) {
        instrumentState.locNeedle.store(static_cast<int8_t>(step % 255 - 127));
        instrumentState.gsNeedle.store(static_cast<int8_t>((step * 3) % 255 - 127));
        instrumentState.obsDegrees.store(static_cast<uint16_t>(step % 360));
        drawGauge();
        benchmark::ClobberMemory();
        ++step;
    }
    state.counters["per_draw_us"] = benchmark::Counter(
        16.0 * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_RealGaugeFrame)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// One draw of a kind, repeated.
void drawOnce(benchmark::State& state, SpriteHandle Art::*which, BlendPair pair, float degrees,
              int32_t x, int32_t y, uint8_t intensity) {
    const Art& a = fixture().art;
    setSpriteAngle(a.*which, degrees);
    beginFrame();
    setBlendPair(pair);
    float turn = degrees;
    for (auto _ : state) {
        if (degrees != 0.0f) {
            turn += 0.01f;
            setSpriteAngle(a.*which, turn);
        }
        drawSprite(a.*which, x, y, intensity);
        benchmark::ClobberMemory();
    }
    endFrame();
    setSpriteAngle(a.*which, 0.0f);
}

void BM_FaceUnturnedNormal(benchmark::State& s) {
    drawOnce(s, &Art::face, BlendNormal, 0.0f, 0, 0, 255);
}
void BM_FaceShadow(benchmark::State& s) {
    drawOnce(s, &Art::face, BlendShadow, 0.0f, 2, 2, 80);
}
void BM_BezelUnturnedNormal(benchmark::State& s) {
    drawOnce(s, &Art::bezel, BlendNormal, 0.0f, 0, 0, 255);
}
void BM_PanelLight(benchmark::State& s) {
    drawOnce(s, &Art::light, BlendLight, 0.0f, 0, 0, 200);
}
void BM_CardTurned(benchmark::State& s) {
    drawOnce(s, &Art::card, BlendNormal, 33.0f, 0, 0, 255);
}
void BM_NeedleTurnedLoc(benchmark::State& s) {
    drawOnce(s, &Art::needle, BlendNormal, 90.1f, -57, -156, 255);
}
void BM_NeedleTurnedGs(benchmark::State& s) {
    drawOnce(s, &Art::needle, BlendNormal, 0.1f, -208, -4, 255);
}
BENCHMARK(BM_FaceUnturnedNormal)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FaceShadow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BezelUnturnedNormal)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PanelLight)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CardTurned)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NeedleTurnedLoc)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NeedleTurnedGs)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
