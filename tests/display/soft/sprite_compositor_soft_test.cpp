// sprite_compositor_soft_test.cpp - the software compositor through
// sprite_compositor.h, drawing into the headless backend's 300 x 300 back
// buffer: straight alpha, exact texture sizes, intensity and the three
// pairs, absolute angles, the pair across frames, and what does nothing.
#include "display/gauge_window.h"
#include "display/soft/soft_surface.h"
#include "display/sprite_compositor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <vector>

// Counts the program's allocations, so that a test can see a draw make none.
std::atomic<long> allocations{0};
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    void* p = std::malloc(size ? size : 1);
    if (!p) {
        std::abort();
    }
    return p;
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

constexpr int32_t Side = 300;

struct Image {
    int32_t w, h;
    std::vector<uint8_t> bgra;
    uint32_t texel(int32_t x, int32_t y) const {
        const uint8_t* p = &bgra[(static_cast<size_t>(y) * w + x) * 4];
        return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
    }
};

Image patternImage(int32_t w, int32_t h, bool opaque) {
    Image img{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 4)};
    uint32_t seed = 777u + static_cast<uint32_t>(w * 131 + h);
    for (uint8_t& b : img.bgra) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(seed >> 24);
    }
    if (opaque) {
        for (size_t k = 3; k < img.bgra.size(); k += 4) {
            img.bgra[k] = 255;
        }
    }
    return img;
}

Image flatImage(int32_t w, int32_t h, uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
    Image img{w, h, {}};
    for (int32_t k = 0; k < w * h; ++k) {
        img.bgra.insert(img.bgra.end(), {b, g, r, a});
    }
    return img;
}

uint32_t rounded(uint32_t num) {
    return (num + 127) / 255;
}

class SoftCompositor : public testing::Test {
  protected:
    void SetUp() override {
        prepareSpriteDrawing();
        window = openGaugeWindow("test", 0, 0);
        ASSERT_TRUE(openSurface(window));
        setSmoothFiltering(true);
    }
    void TearDown() override {
        releaseAllSprites();
        closeSurface();
        destroyGaugeWindow(window);
    }
    static uint32_t* px() { return softSurfacePixels(); }
    static uint32_t at(int32_t x, int32_t y) { return px()[y * Side + x]; }
    static void fill(uint32_t c) {
        for (int32_t k = 0; k < Side * Side; ++k) {
            px()[k] = c;
        }
    }
    // A varied destination, X byte 0.
    static void fillPattern() {
        for (int32_t k = 0; k < Side * Side; ++k) {
            px()[k] = (static_cast<uint32_t>(k) * 2654435761u) & 0x00FFFFFFu;
        }
    }
    static std::vector<uint32_t> snapshot() {
        return std::vector<uint32_t>(px(), px() + Side * Side);
    }
    static SpriteHandle make(const Image& img) {
        return createSprite(img.w, img.h, img.bgra.data());
    }
    static void drawOne(SpriteHandle s, BlendPair p, int32_t x, int32_t y, uint8_t intensity) {
        beginFrame();
        setBlendPair(p);
        drawSprite(s, x, y, intensity);
        endFrame();
    }
    GaugeWindow* window = nullptr;
};

TEST_F(SoftCompositor, AlphaReachesTheBlendStraightNotPremultiplied) {
    const SpriteHandle s = make(flatImage(4, 4, 40, 128, 192, 115));
    ASSERT_NE(s, 0u);
    fill(0);
    drawOne(s, BlendNormal, 10, 10, 255);
    EXPECT_EQ(at(11, 11), rounded(40 * 115) | rounded(128 * 115) << 8 | rounded(192 * 115) << 16);
    fill(0x00FFFFFFu);
    drawOne(s, BlendShadow, 10, 10, 255);
    EXPECT_EQ(at(11, 11), 0x008C8C8Cu); // 255 x (1 - 115/255) = 140 on every channel
}

TEST_F(SoftCompositor, TextureIsExactlyTheImageAndUOneIsItsEdge) {
    struct Case {
        int32_t w, h, x, y;
    };
    const Case cases[] = {{416, 300, -120, 0}, {38, 41, 168, 162}, {23, 49, 221, 120}};
    const BlendPair copy{BlendFactorOne, BlendFactorZero};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        const Image img = patternImage(c.w, c.h, false);
        const SpriteHandle s = make(img);
        ASSERT_NE(s, 0u);
        fill(0x00ABCDEFu);
        drawOne(s, copy, c.x, c.y, 255);
        for (int32_t y = 0; y < Side; ++y) {
            for (int32_t x = 0; x < Side; ++x) {
                const int32_t u = x - c.x, v = y - c.y;
                const bool in = u >= 0 && u < c.w && v >= 0 && v < c.h;
                ASSERT_EQ(at(x, y), in ? img.texel(u, v) & 0x00FFFFFFu : 0x00ABCDEFu)
                    << x << "," << y;
            }
        }
    }
}

TEST_F(SoftCompositor, UnturnedFullIntensityOverBlackIsColourTimesAlpha) {
    const Image img = patternImage(64, 48, false);
    const SpriteHandle s = make(img);
    fill(0);
    drawOne(s, BlendNormal, 100, 200, 255);
    for (int32_t v = 0; v < img.h; ++v) {
        for (int32_t u = 0; u < img.w; ++u) {
            const uint32_t t = img.texel(u, v);
            const uint32_t a = t >> 24;
            const uint32_t want = rounded((t & 255) * a) | rounded(((t >> 8) & 255) * a) << 8 |
                                  rounded(((t >> 16) & 255) * a) << 16;
            ASSERT_EQ(at(100 + u, 200 + v), want) << u << "," << v;
        }
    }
}

TEST_F(SoftCompositor, IntensityZeroKeepsTheDestinationButLightSquaresIt) {
    const Image img = patternImage(38, 41, false);
    const SpriteHandle s = make(img);
    setSpriteAngle(s, 30.0f);
    fillPattern();
    const std::vector<uint32_t> before = snapshot();
    drawOne(s, BlendNormal, 50, 60, 0);
    drawOne(s, BlendShadow, 50, 60, 0);
    EXPECT_EQ(snapshot(), before);

    // Unturned under BlendLight: every pixel of the quad squared, none outside.
    setSpriteAngle(s, 0.0f);
    drawOne(s, BlendLight, 50, 60, 0);
    for (int32_t y = 0; y < Side; ++y) {
        for (int32_t x = 0; x < Side; ++x) {
            const uint32_t d = before[y * Side + x];
            uint32_t want = d;
            if (x >= 50 && x < 50 + 38 && y >= 60 && y < 60 + 41) {
                want = 0;
                for (int sh = 0; sh < 24; sh += 8) {
                    const uint32_t c = (d >> sh) & 255;
                    want |= rounded(c * c) << sh;
                }
            }
            ASSERT_EQ(at(x, y), want) << x << "," << y;
        }
    }
}

TEST_F(SoftCompositor, AngleIsAbsoluteAndAFullTurnLooksLikeNone) {
    const SpriteHandle s = make(patternImage(40, 30, false));
    auto picture = [&](std::initializer_list<float> angles) {
        fill(0x00102030u);
        for (float a : angles) {
            setSpriteAngle(s, a);
        }
        drawOne(s, BlendNormal, 100, 120, 255);
        return snapshot();
    };
    const std::vector<uint32_t> once = picture({90.0f});
    EXPECT_EQ(picture({90.0f, 90.0f}), once);
    EXPECT_NE(picture({180.0f}), once);

    const std::vector<uint32_t> none = picture({0.0f});
    const std::vector<uint32_t> full = picture({360.0f});
    for (size_t k = 0; k < none.size(); ++k) {
        for (int sh = 0; sh < 24; sh += 8) {
            const int d =
                static_cast<int>((none[k] >> sh) & 255) - static_cast<int>((full[k] >> sh) & 255);
            ASSERT_LE(std::abs(d), 1) << "pixel " << k;
        }
    }
}

TEST_F(SoftCompositor, PairSelectedLastHoldsIntoTheNextFrame) {
    const SpriteHandle s = make(patternImage(32, 32, false));
    fillPattern();
    drawOne(s, BlendLight, 20, 20, 200);
    const std::vector<uint32_t> expected = snapshot();

    fillPattern();
    beginFrame();
    setBlendPair(BlendShadow);
    setBlendPair(BlendLight);
    endFrame();
    beginFrame(); // the next frame selects nothing
    drawSprite(s, 20, 20, 200);
    endFrame();
    EXPECT_EQ(snapshot(), expected);
}

TEST_F(SoftCompositor, TurnedNeedleTakesEachPixelOnce) {
    const SpriteHandle s = make(flatImage(416, 300, 1, 0, 0, 255));
    const BlendPair add{BlendFactorOne, BlendFactorOne};
    for (float angle : {90.1f, 67.1f, 113.28f, 45.0f, 0.1f}) {
        fill(0);
        setSpriteAngle(s, angle);
        drawOne(s, add, -57, -156, 255);
        drawOne(s, add, -57 + 416, -156, 255); // a neighbour sharing no pixel
        int covered = 0;
        for (int32_t k = 0; k < Side * Side; ++k) {
            ASSERT_LE(px()[k], 2u) << angle << " at " << k;
            ASSERT_NE(px()[k], 2u) << angle << " drawn twice at " << k;
            covered += static_cast<int>(px()[k]);
        }
        EXPECT_GT(covered, 10000) << angle;
    }
}

TEST_F(SoftCompositor, SmoothingOffSamplesSingleTexels) {
    const Image img = patternImage(40, 40, true);
    std::set<uint32_t> texels;
    for (int32_t v = 0; v < img.h; ++v) {
        for (int32_t u = 0; u < img.w; ++u) {
            texels.insert(img.texel(u, v) & 0x00FFFFFFu);
        }
    }
    const SpriteHandle s = make(img);
    setSpriteAngle(s, 30.0f);
    const BlendPair copy{BlendFactorOne, BlendFactorZero};
    for (bool smooth : {false, true}) {
        setSmoothFiltering(smooth);
        fill(0x00FFFFFFu); // not a texel value: the pattern has no white
        drawOne(s, copy, 130, 130, 255);
        int single = 0, mixed = 0;
        for (int32_t k = 0; k < Side * Side; ++k) {
            if (px()[k] != 0x00FFFFFFu) {
                (texels.count(px()[k]) ? single : mixed)++;
            }
        }
        if (smooth) {
            EXPECT_GT(mixed, single);
        } else {
            EXPECT_EQ(mixed, 0);
            EXPECT_GT(single, 1000);
        }
    }
}

TEST_F(SoftCompositor, AFrameOfDrawsAllocatesNothing) {
    const SpriteHandle needle = make(patternImage(416, 300, false));
    const SpriteHandle face = make(patternImage(300, 300, false));
    const long before = allocations.load();
    for (int frame = 0; frame < 3; ++frame) {
        beginFrame();
        setBlendPair(BlendShadow);
        drawSprite(face, 2, 2, 80);
        setBlendPair(BlendNormal);
        drawSprite(face, 0, 0, 255);
        setSpriteAngle(needle, 90.1f + static_cast<float>(frame));
        drawSprite(needle, -57, -156, 255);
        setBlendPair(BlendLight);
        drawSprite(face, 0, 0, 200);
        setBlendPair(BlendNormal);
        endFrame();
    }
    EXPECT_EQ(allocations.load(), before);
}

TEST_F(SoftCompositor, WhatHasNoSpriteNoFrameOrNoSurfaceDrawsNothing) {
    EXPECT_EQ(createSprite(0, 4, flatImage(1, 1, 0, 0, 0, 0).bgra.data()), 0u);
    EXPECT_EQ(createSprite(4, -1, flatImage(1, 1, 0, 0, 0, 0).bgra.data()), 0u);
    EXPECT_EQ(createSprite(4, 4, nullptr), 0u);
    EXPECT_EQ(createSprite(100000, 100000, flatImage(1, 1, 0, 0, 0, 0).bgra.data()), 0u);

    const SpriteHandle s = make(flatImage(8, 8, 255, 255, 255, 255));
    ASSERT_NE(s, 0u);
    fillPattern();
    const std::vector<uint32_t> before = snapshot();
    setSpriteAngle(0, 45.0f);
    drawOne(0, BlendNormal, 10, 10, 255);
    drawOne(s + 1, BlendNormal, 10, 10, 255); // never made
    drawSprite(s, 10, 10, 255);               // outside a frame
    setBlendPair(0, 6);                       // not a factor: the draw fails
    beginFrame();
    drawSprite(s, 10, 10, 255);
    endFrame();
    EXPECT_EQ(snapshot(), before);

    setBlendPair(BlendNormal);
    releaseAllSprites();
    drawOne(s, BlendNormal, 10, 10, 255); // released
    EXPECT_EQ(snapshot(), before);

    const SpriteHandle again = make(flatImage(8, 8, 255, 255, 255, 255));
    closeSurface();
    EXPECT_FALSE(beginFrame());
    drawSprite(again, 10, 10, 255);
    endFrame();
    ASSERT_TRUE(openSurface(window)); // cleared to black, and nothing drawn since
    for (int32_t k = 0; k < Side * Side; ++k) {
        ASSERT_EQ(px()[k], 0u);
    }
}

} // namespace
