// drawGauge's calls into the compositor, recorded: the layer order, the blend
// pair at every step that names one, positions, intensities and the exact
// 32-bit angles, for the states that decide what is drawn.
#include "app/instrument_state.h"
#include "display/gauge_window.h"
#include "display/sprite_compositor.h"
#include "gauge/gauge_artwork.h"
#include "gauge/gauge_renderer.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// --- a compositor that records ------------------------------------------
namespace {
std::vector<std::string> calls;
float lastAngle[16];

const char* spriteName(SpriteHandle h) {
    static const char* const names[] = {"none",  "bezel",  "face",  "card", "needle", "fill",
                                        "cover", "navoff", "gsoff", "lamp", "panel",  "glow"};
    return h < 12 ? names[h] : "?";
}
void record(std::string text) {
    calls.push_back(std::move(text));
}
std::string hex(float f) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", std::bit_cast<uint32_t>(f));
    return text;
}
} // namespace

void prepareSpriteDrawing() {}
SpriteHandle createSprite(int32_t, int32_t, const uint8_t*) {
    return 0;
}
bool beginFrame() {
    record("begin");
    return true;
}
void setBlendPair(uint32_t s, uint32_t d) {
    record("pair " + std::to_string(s) + " " + std::to_string(d));
}
void setSpriteAngle(SpriteHandle h, float degrees) {
    lastAngle[h] = degrees;
    record(std::string("angle ") + spriteName(h) + " " + hex(degrees));
}
void drawSprite(SpriteHandle h, int32_t x, int32_t y, uint8_t intensity) {
    record(std::string("draw ") + spriteName(h) + " " + std::to_string(x) + " " +
           std::to_string(y) + " " + std::to_string(intensity));
}
void endFrame() {
    record("end");
}
void releaseAllSprites() {}
void setSmoothFiltering(bool) {}
void presentFrame() {
    record("present");
}

namespace {

std::string angleText(const char* sprite, float degrees) {
    return std::string("angle ") + sprite + " " + hex(degrees);
}

struct RendererTest : ::testing::Test {
    void SetUp() override {
        calls.clear();
        resetInstrumentState();
        settings = Settings{};
        gaugeArtwork = GaugeArtwork{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
        setNeedleScales();
    }
    static std::vector<std::string> draw() {
        calls.clear();
        drawGauge();
        return calls;
    }
};

TEST_F(RendererTest, ScalesHaveTheirExactBitPatterns) {
    EXPECT_EQ(std::bit_cast<uint32_t>(locScale), 0xBE3972E6u);
    EXPECT_EQ(std::bit_cast<uint32_t>(gsScale), 0x3E3972E6u);
    EXPECT_FLOAT_EQ(locScale, -23.0f / 127.0f);
}

TEST_F(RendererTest, StartupFrameDrawsEveryLayerInOrder) {
    const std::vector<std::string> expected = {"begin",
                                               "pair 5 6",
                                               "draw cover 168 162 255",
                                               "draw cover 168 89 255",
                                               "draw navoff 127 215 255",
                                               "draw gsoff 221 120 255",
                                               "pair 1 6",
                                               "draw face 2 2 80",
                                               "pair 5 6",
                                               "draw face 0 0 255",
                                               angleText("needle", 90.1f),
                                               "pair 1 6",
                                               "draw needle -55 -152 100",
                                               "pair 5 6",
                                               "draw needle -57 -156 255",
                                               angleText("needle", 0.1f),
                                               "pair 1 6",
                                               "draw needle -206 0 100",
                                               "pair 5 6",
                                               "draw needle -208 -4 255",
                                               angleText("card", 360.0f),
                                               "pair 5 6",
                                               "draw card 0 0 255",
                                               "pair 1 6",
                                               "draw bezel 3 2 100",
                                               "pair 5 6",
                                               "draw bezel 0 0 255",
                                               "draw lamp 40 40 255",
                                               "draw glow 40 40 255",
                                               "pair 5 6",
                                               "end",
                                               "present"};
    EXPECT_EQ(draw(), expected);
}

TEST_F(RendererTest, ToFromTableAndAnyOtherValueDrawsNothingInTheThreeWindows) {
    struct Case {
        int8_t toFrom;
        std::vector<std::string> windows;
    } cases[] = {
        {0, {"draw cover 168 162 255", "draw cover 168 89 255", "draw navoff 127 215 255"}},
        {1, {"draw cover 168 162 255", "draw fill 168 89 255", "draw cover 127 215 255"}},
        {2, {"draw fill 168 162 255", "draw cover 168 89 255", "draw cover 127 215 255"}},
        {3, {}},
        {-1, {}},
        {127, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.toFrom);
        storeField(instrumentState.toFrom, c.toFrom);
        std::vector<std::string> got = draw();
        std::vector<std::string> windows(got.begin() + 2, got.begin() + 2 + c.windows.size());
        EXPECT_EQ(windows, c.windows);
        EXPECT_EQ(got[2 + c.windows.size()], "draw gsoff 221 120 255");
    }
}

TEST_F(RendererTest, GsWindowIsBlankOnlyForFlagOne) {
    for (uint16_t flag : {0, 1, 2, 255}) {
        SCOPED_TRACE(flag);
        storeField(instrumentState.gsFlag, flag);
        std::vector<std::string> got = draw();
        EXPECT_EQ(got[5], flag == 1 ? "draw cover 221 120 255" : "draw gsoff 221 120 255");
    }
}

TEST_F(RendererTest, NeedleRotationsAndTipsMatchTheWorkedValues) {
    // deflection, LOC rotation, LOC tip, GS rotation, GS tip
    struct Case {
        int8_t deflection;
        double locRotation, locTipX, locTipY, gsRotation, gsTipX, gsTipY;
    } cases[] = {
        {-128, 113.28, 69.5, 181.8, -23.08, 188.1, 65.1},
        {-127, 113.10, 70.1, 182.1, -22.90, 188.3, 65.7},
        {0, 90.10, 150.1, 198.5, 0.10, 204.5, 145.9},
        {64, 78.51, 191.3, 194.4, 11.69, 200.2, 187.0},
        {127, 67.10, 230.3, 182.3, 23.10, 188.1, 225.9},
    };
    const double pi = 3.14159265358979323846;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.deflection);
        storeField(instrumentState.locNeedle, c.deflection);
        storeField(instrumentState.gsNeedle, c.deflection);
        std::vector<std::string> got = draw();
        // The sums are formed in 32-bit floats.
        const float loc = static_cast<float>(c.deflection) * locScale + 90.1f;
        const float gs = static_cast<float>(c.deflection) * gsScale + 0.1f;
        EXPECT_EQ(got[10], angleText("needle", loc));
        EXPECT_EQ(got[15], angleText("needle", gs));
        EXPECT_NEAR(loc, c.locRotation, 0.006);
        EXPECT_NEAR(gs, c.gsRotation, 0.006);
        // Pivot = the needle image's centre (207.5, 149.5) at the draw position.
        const double locPivotX = -57 + 207.5, locPivotY = -156 + 149.5;
        const double gsPivotX = -208 + 207.5, gsPivotY = -4 + 149.5;
        EXPECT_NEAR(locPivotX + 205 * std::cos(loc * pi / 180), c.locTipX, 0.06);
        EXPECT_NEAR(locPivotY + 205 * std::sin(loc * pi / 180), c.locTipY, 0.06);
        EXPECT_NEAR(gsPivotX + 205 * std::cos(gs * pi / 180), c.gsTipX, 0.06);
        EXPECT_NEAR(gsPivotY + 205 * std::sin(gs * pi / 180), c.gsTipY, 0.06);
    }
}

TEST_F(RendererTest, CardTurnsBy360MinusTheCourse) {
    struct Case {
        uint16_t obs;
        float angle;
    } cases[] = {{0, 360.0f}, {90, 270.0f}, {180, 180.0f}, {270, 90.0f},
                 {359, 1.0f}, {360, 0.0f},  {450, -90.0f}, {65535, -65175.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.obs);
        storeField(instrumentState.obsDegrees, c.obs);
        std::vector<std::string> got = draw();
        EXPECT_EQ(got[20], angleText("card", c.angle));
    }
}

TEST_F(RendererTest, PanelLightNeedsTheBitAndTheSettingAndTurnsTheLampToLight) {
    struct Case {
        uint16_t lights;
        int8_t lightEnabled;
        bool overlay;
    } cases[] = {{0x20, 1, true},  {0x20, -1, true},   {0xFFFF, 1, true},
                 {0x20, 0, false}, {0xFFDF, 1, false}, {0, 1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lights);
        storeField(instrumentState.lights, c.lights);
        settings.lightEnabled = c.lightEnabled;
        std::vector<std::string> got = draw();
        std::vector<std::string> tail(got.begin() + 27, got.end());
        std::vector<std::string> expected;
        if (c.overlay) {
            expected = {"pair 5 9", "draw panel 0 0 200"};
        }
        // The lamp and glow take whatever pair is in force.
        expected.insert(expected.end(), {"draw lamp 40 40 255", "draw glow 40 40 255", "pair 5 6",
                                         "end", "present"});
        EXPECT_EQ(tail, expected);
    }
}

TEST_F(RendererTest, NoLampWhileConnected) {
    storeField(instrumentState.connected, 1);
    std::vector<std::string> got = draw();
    const std::vector<std::string> tail = {"draw bezel 0 0 255", "pair 5 6", "end", "present"};
    EXPECT_EQ(std::vector<std::string>(got.end() - 4, got.end()), tail);
}

TEST_F(RendererTest, AMissingSpriteIsPassedAsZeroAndTheRestIsDrawn) {
    gaugeArtwork.SpriteNeedle = 0;
    std::vector<std::string> got = draw();
    EXPECT_EQ(got[10], angleText("none", 90.1f));
    EXPECT_EQ(got[12], "draw none -55 -152 100");
    EXPECT_EQ(got.back(), "present");
}

} // namespace
