// The composed instrument, through the software compositor with the real
// artwork: facts of the picture checked from pixels (windows, flags, needle
// tips, the card's turn, the overlay's squaring, the lamp under the overlay),
// not hashes of whole frames, so that touch-ups of the artwork keep them.
#include "app/instrument_state.h"
#include "display/gauge_window.h"
#include "display/headless/headless_surface.h"
#include "display/soft/soft_surface.h"
#include "display/sprite_compositor.h"
#include "gauge/embedded_art.h"
#include "gauge/gauge_artwork.h"
#include "gauge/gauge_renderer.h"
#include "gauge/png_decode.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Rgb {
    int r, g, b;
};

struct State {
    int8_t connected = 0;
    int8_t toFrom = 0;
    int8_t loc = 0;
    uint16_t obs = 0;
    uint16_t gsFlag = 0;
    int8_t gs = 0;
    uint16_t lights = 0;
    int8_t lightEnabled = 1;
};

using Frame = std::vector<uint32_t>;

Rgb rgb(uint32_t p) {
    return Rgb{static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
               static_cast<int>(p & 0xFF)};
}

bool isRed(Rgb c) {
    return c.r >= 150 && c.g <= 110 && c.b <= 80;
}
bool isCream(Rgb c) {
    return c.r >= 200 && c.g >= 200 && c.b >= 185;
}
bool isDarkGrey(Rgb c) {
    return c.r <= 70 && c.g <= 70 && c.b <= 70 && std::abs(c.r - c.g) < 10 &&
           std::abs(c.g - c.b) < 10;
}

struct RendererPixelsTest : ::testing::Test {
    GaugeWindow* window = nullptr;

    void SetUp() override {
        resetInstrumentState();
        settings = Settings{};
        prepareDirect3D();
        prepareSpriteDrawing();
        window = openGaugeWindow("test", 0, 0);
        ASSERT_TRUE(window && openSurface(window));
        loadGaugeArtwork();
        setSmoothFiltering(true);
        setNeedleScales();
    }
    void TearDown() override {
        releaseAllSprites();
        closeSurface();
        destroyGaugeWindow(window);
    }
    // A fresh, black back buffer, as when the surface has just opened.
    void clearSurface() {
        closeSurface();
        ASSERT_TRUE(openSurface(window));
    }
    static Frame draw(const State& s) {
        storeField(instrumentState.connected, s.connected);
        storeField(instrumentState.toFrom, s.toFrom);
        storeField(instrumentState.locNeedle, s.loc);
        storeField(instrumentState.obsDegrees, s.obs);
        storeField(instrumentState.gsFlag, s.gsFlag);
        storeField(instrumentState.gsNeedle, s.gs);
        storeField(instrumentState.lights, s.lights);
        settings.lightEnabled = s.lightEnabled;
        drawGauge();
        const uint32_t* p = softSurfacePixels();
        return Frame(p, p + GaugeClientWidth * GaugeClientHeight);
    }
    static Rgb at(const Frame& f, int x, int y) { return rgb(f[y * GaugeClientWidth + x]); }
};

// Points well inside each window, clear of lettering and of the face's shadow.
constexpr int ToX = 187, ToY = 112;
constexpr int FromX = 188, FromY = 176;
constexpr int NavX = 136, NavY = 233;
constexpr int GsX = 240, GsY = 145;

TEST_F(RendererPixelsTest, StartupStateShowsFlagsAndLamp) {
    Frame f = draw(State{});
    EXPECT_TRUE(isDarkGrey(at(f, ToX, ToY)));
    EXPECT_TRUE(isDarkGrey(at(f, FromX, FromY)));
    EXPECT_TRUE(isRed(at(f, NavX, NavY))) << "NAV OFF flag";
    EXPECT_TRUE(isRed(at(f, GsX, GsY))) << "GS OFF flag";
    EXPECT_TRUE(isRed(at(f, 55, 55))) << "the not-connected lamp";
    EXPECT_EQ(headlessPresentCount(), 1);
}

TEST_F(RendererPixelsTest, ToFromTableAndUnknownValuesKeepThePreviousWindows) {
    struct Case {
        int8_t toFrom;
        bool toCream, fromCream, navRed;
    } cases[] = {{0, false, false, true}, {1, true, false, false}, {2, false, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.toFrom);
        State s;
        s.toFrom = c.toFrom;
        Frame f = draw(s);
        EXPECT_EQ(isCream(at(f, ToX, ToY)), c.toCream);
        EXPECT_EQ(isCream(at(f, FromX, FromY)), c.fromCream);
        EXPECT_EQ(isRed(at(f, NavX, NavY)), c.navRed);
        if (!c.toCream) {
            EXPECT_TRUE(isDarkGrey(at(f, ToX, ToY)));
        }
        // 3 and -1 draw nothing there: the windows keep this frame's contents.
        for (int8_t other : {int8_t{3}, int8_t{-1}}) {
            s.toFrom = other;
            Frame g = draw(s);
            for (auto [x, y] : {std::pair{ToX, ToY}, {FromX, FromY}, {NavX, NavY}}) {
                EXPECT_EQ(g[y * GaugeClientWidth + x], f[y * GaugeClientWidth + x]) << other;
            }
        }
    }
}

TEST_F(RendererPixelsTest, GsWindowDarkOnlyForFlagOne) {
    for (uint16_t flag : {0, 1, 2, 255}) {
        State s;
        s.gsFlag = flag;
        Frame f = draw(s);
        EXPECT_EQ(isDarkGrey(at(f, GsX, GsY)), flag == 1) << flag;
        EXPECT_EQ(isRed(at(f, GsX, GsY)), flag != 1) << flag;
    }
}

// The needle's visible pixels: brighter with the needle than without it.
std::vector<std::pair<int, int>> needlePixels(const Frame& with, const Frame& without) {
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < GaugeClientHeight; ++y) {
        for (int x = 0; x < GaugeClientWidth; ++x) {
            Rgb a = rgb(with[y * GaugeClientWidth + x]);
            Rgb b = rgb(without[y * GaugeClientWidth + x]);
            if ((a.r + a.g + a.b) - (b.r + b.g + b.b) > 90) {
                out.emplace_back(x, y);
            }
        }
    }
    return out;
}

TEST_F(RendererPixelsTest, NeedleTipsStandAtTheWorkedValues) {
    struct Case {
        int8_t deflection;
        double locTipX, locTipY, gsTipX, gsTipY;
    } cases[] = {{-128, 69.5, 181.8, 188.1, 65.1},
                 {-127, 70.1, 182.1, 188.3, 65.7},
                 {0, 150.1, 198.5, 204.5, 145.9},
                 {64, 191.3, 194.4, 200.2, 187.0},
                 {127, 230.3, 182.3, 188.1, 225.9}};
    const SpriteHandle needle = gaugeArtwork.SpriteNeedle;
    // Without the face, card and bezel, which hide parts of some tips.
    gaugeArtwork.SpriteFace = 0;
    gaugeArtwork.SpriteCourseCard = 0;
    gaugeArtwork.SpriteBezel = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.deflection);
        State s;
        s.connected = 1;
        s.toFrom = 1;
        s.gsFlag = 1;
        s.loc = c.deflection;
        s.gs = c.deflection;
        clearSurface();
        gaugeArtwork.SpriteNeedle = needle;
        Frame with = draw(s);
        clearSurface();
        gaugeArtwork.SpriteNeedle = 0;
        Frame without = draw(s);
        gaugeArtwork.SpriteNeedle = needle;

        struct Needle {
            double pivotX, pivotY, tipX, tipY;
        } needles[] = {{150.5, -6.5, c.locTipX, c.locTipY}, {-0.5, 145.5, c.gsTipX, c.gsTipY}};
        const auto pixels = needlePixels(with, without);
        for (const Needle& n : needles) {
            const double dx = (n.tipX - n.pivotX) / 205.0;
            const double dy = (n.tipY - n.pivotY) / 205.0;
            double reach = 0.0;
            double nearest = 1e9;
            for (auto [x, y] : pixels) {
                const double px = x - n.pivotX;
                const double py = y - n.pivotY;
                if (std::abs(px * dy - py * dx) > 4.0) {
                    continue; // the other needle
                }
                reach = std::max(reach, px * dx + py * dy);
                nearest = std::min(nearest, std::hypot(x - n.tipX, y - n.tipY));
            }
            EXPECT_LE(nearest, 1.5) << "a needle pixel within a pixel of the tip " << n.tipX << ","
                                    << n.tipY << " reach " << reach;
            EXPECT_LE(reach, 206.0) << "nothing beyond the tip";
        }
    }
}

// Bilinear sample of a decoded B,G,R,A image at (x, y), texel centres on integers.
Rgb sampleImage(const DecodedImage& img, double x, double y) {
    const int x0 = static_cast<int>(std::floor(x));
    const int y0 = static_cast<int>(std::floor(y));
    const double fx = x - x0;
    const double fy = y - y0;
    double acc[3] = {0, 0, 0};
    for (int j = 0; j < 2; ++j) {
        for (int i = 0; i < 2; ++i) {
            const int tx = std::clamp(x0 + i, 0, img.width - 1);
            const int ty = std::clamp(y0 + j, 0, img.height - 1);
            const uint8_t* t = img.pixels + (static_cast<size_t>(ty) * img.width + tx) * 4;
            const double w = (i ? fx : 1 - fx) * (j ? fy : 1 - fy);
            acc[0] += w * t[2];
            acc[1] += w * t[1];
            acc[2] += w * t[0];
        }
    }
    return Rgb{static_cast<int>(std::lround(acc[0])), static_cast<int>(std::lround(acc[1])),
               static_cast<int>(std::lround(acc[2]))};
}

struct DecodedArt {
    DecodedImage card{};
    DecodedImage bezel{};
    DecodedArt() {
        EXPECT_TRUE(decodePng(embeddedImages[2].bytes, embeddedImages[2].size, &card));
        EXPECT_TRUE(decodePng(embeddedImages[0].bytes, embeddedImages[0].size, &bezel));
    }
    ~DecodedArt() {
        freeDecodedImage(&card);
        freeDecodedImage(&bezel);
    }
    int bezelAlpha(int x, int y) const {
        return bezel.pixels[(static_cast<size_t>(y) * bezel.width + x) * 4 + 3];
    }
    int cardAlpha(double x, double y) const {
        const int tx = static_cast<int>(std::lround(x));
        const int ty = static_cast<int>(std::lround(y));
        if (tx < 1 || ty < 1 || tx >= card.width - 1 || ty >= card.height - 1) {
            return 0;
        }
        int low = 255;
        for (int j = -1; j <= 1; ++j) {
            for (int i = -1; i <= 1; ++i) {
                low = std::min<int>(
                    low, card.pixels[(static_cast<size_t>(ty + j) * card.width + tx + i) * 4 + 3]);
            }
        }
        return low;
    }
};

TEST_F(RendererPixelsTest, CourseCardTurnsBy360MinusTheCourse) {
    DecodedArt art;
    ASSERT_EQ(art.card.width, 300);
    struct Case {
        uint16_t obs;
        double turn;
    } cases[] = {{0, 0}, {90, 270}, {180, 180}, {270, 90}, {359, 1}, {360, 0}, {450, -90}};
    const double pi = 3.14159265358979323846;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.obs);
        State s;
        s.connected = 1;
        s.obs = c.obs;
        Frame f = draw(s);
        const double a = c.turn * pi / 180.0;
        int checked = 0;
        int off = 0;
        for (int y = 0; y < GaugeClientHeight; ++y) {
            for (int x = 0; x < GaugeClientWidth; ++x) {
                // Only where the bezel and its shadow leave the card fully in view.
                bool clear = true;
                for (int j = -2; j <= 4 && clear; ++j) {
                    for (int i = -2; i <= 5 && clear; ++i) {
                        const int bx = std::clamp(x - i, 0, 299);
                        const int by = std::clamp(y - j, 0, 299);
                        clear = art.bezelAlpha(bx, by) == 0;
                    }
                }
                const double dx = x - 149.5;
                const double dy = y - 149.5;
                // Turn back by the card's rotation to find the image point.
                const double ix = 149.5 + dx * std::cos(a) + dy * std::sin(a);
                const double iy = 149.5 - dx * std::sin(a) + dy * std::cos(a);
                const double r = std::hypot(dx, dy);
                if (!clear || r < 96 || art.cardAlpha(ix, iy) < 255) {
                    continue;
                }
                ++checked;
                Rgb want = sampleImage(art.card, ix, iy);
                Rgb got = at(f, x, y);
                if (std::abs(want.r - got.r) > 12 || std::abs(want.g - got.g) > 12 ||
                    std::abs(want.b - got.b) > 12) {
                    ++off;
                }
            }
        }
        EXPECT_GT(checked, 2000) << "both course windows are in view";
        EXPECT_LE(off, checked / 100) << "of " << checked << " card pixels";
    }
}

int squared(int v) {
    return (v * v + 127) / 255;
}

TEST_F(RendererPixelsTest, OverlaySquaresWhereTheLightIsTransparentAndTheLampSquaresTwiceMore) {
    State lit;
    lit.connected = 1;
    lit.lights = 0x20;
    State plain = lit;
    plain.lights = 0;

    Frame before = draw(plain);
    Frame after = draw(lit);
    // A corner lies outside the light's disk of radius 146.
    for (auto [x, y] : {std::pair{2, 2}, {297, 3}, {4, 296}, {296, 296}}) {
        Rgb b = at(before, x, y);
        Rgb a = at(after, x, y);
        EXPECT_NEAR(a.r, squared(b.r), 1) << x << "," << y;
        EXPECT_NEAR(a.g, squared(b.g), 1);
        EXPECT_NEAR(a.b, squared(b.b), 1);
    }
    // Under the overlay the lamp and glow take BlendLight: inside their square,
    // where both are transparent, each channel is squared twice more.
    State lamp = lit;
    lamp.connected = 0;
    Frame withLamp = draw(lamp);
    Frame again = draw(lit);
    Rgb base = at(again, 41, 41);
    Rgb got = at(withLamp, 41, 41);
    EXPECT_NEAR(got.r, squared(squared(base.r)), 1);
    EXPECT_NEAR(got.g, squared(squared(base.g)), 1);
    EXPECT_NEAR(got.b, squared(squared(base.b)), 1);
    EXPECT_GT(base.r + base.g + base.b, got.r + got.g + got.b) << "darker than around it";
}

TEST_F(RendererPixelsTest, NoOverlayWithoutTheSettingOrTheBit) {
    State plain;
    plain.connected = 1;
    Frame reference = draw(plain);
    State offSetting = plain;
    offSetting.lights = 0x20;
    offSetting.lightEnabled = 0;
    State otherBits = plain;
    otherBits.lights = 0xFFDF;
    for (const State& s : {offSetting, otherBits}) {
        clearSurface();
        EXPECT_EQ(draw(s), reference);
    }
}

TEST_F(RendererPixelsTest, AMissingSpriteLeavesOnlyItsElementOut) {
    gaugeArtwork.SpriteBezel = 0;
    Frame f = draw(State{});
    EXPECT_EQ(f[5 * GaugeClientWidth + 5] & 0xFFFFFFu, 0u) << "no bezel: the corner stays black";
    EXPECT_TRUE(isRed(at(f, NavX, NavY)));
    EXPECT_EQ(headlessPresentCount(), 1);
}

int differenceSum(const Frame& a, const Frame& b, int* differing) {
    int sum = 0;
    *differing = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        Rgb p = rgb(a[i]);
        Rgb q = rgb(b[i]);
        const int d = std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
        sum += d;
        *differing += d != 0;
    }
    return sum;
}

TEST_F(RendererPixelsTest, DrawingTheSameStateAgainChangesOnlyTheSeamsAndTheTraceFades) {
    State s;
    s.connected = 1;
    s.toFrom = 1;
    s.loc = 40;
    s.gsFlag = 1;
    s.gs = -20;
    s.obs = 123;
    Frame first = draw(s);
    Frame second = draw(s);
    Frame third = draw(s);
    int differing12 = 0;
    int differing23 = 0;
    const int sum12 = differenceSum(first, second, &differing12);
    const int sum23 = differenceSum(second, third, &differing23);
    // Only where a layer is partly transparent (rims, soft patches, the
    // bezel's outline) does the earlier frame show through.
    EXPECT_LT(differing12, static_cast<int>(first.size() / 20));
    EXPECT_LT(sum23, sum12) << "what shows through fades with each frame";
    EXPECT_LE(differing23, differing12);
}

} // namespace
