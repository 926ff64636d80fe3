// The lifecycle's order and the main loop's pass logic, over the windowless
// display backend, with the link, the settings file, the artwork, the renderer
// and the pause replaced by recorders.
#include "app/gauge_app.h"
#include "app/instrument_state.h"
#include "app/pause.h"
#include "display/gauge_window.h"
#include "display/headless/headless_surface.h"
#include "gauge/gauge_artwork.h"
#include "gauge/gauge_renderer.h"
#include "settings/settings.h"
#include "simlink/link_threads.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// --- recorders standing in for the other modules -------------------------
namespace {
std::vector<std::string> calls;
std::function<void()> onArtwork; // runs inside loadGaugeArtwork
std::function<void()> onPause;   // runs inside each pause
} // namespace

Settings settings;
GaugeArtwork gaugeArtwork;
float locScale = 0.0f;
float gsScale = 0.0f;

void loadSettings() {
    calls.push_back("loadSettings");
}
void saveSettings() {
    calls.push_back("saveSettings");
}
void startLinkThreads() {
    calls.push_back("startLinkThreads");
}
void supervisePoller() {
    calls.push_back("supervisePoller");
}
void loadGaugeArtwork() {
    calls.push_back("loadGaugeArtwork");
    if (onArtwork) {
        onArtwork();
    }
}
void setNeedleScales() {
    calls.push_back("setNeedleScales");
}
void drawGauge() {
    calls.push_back("drawGauge");
    presentFrame();
}
void pauseMilliseconds(uint32_t ms) {
    calls.push_back("pause " + std::to_string(ms));
    if (onPause) {
        onPause();
    }
}

namespace {

struct LifecycleTest : ::testing::Test {
    void SetUp() override {
        calls.clear();
        onArtwork = nullptr;
        onPause = nullptr;
        settings = Settings{};
        resetInstrumentState();
        headlessFailNextOpen(false, false);
    }
    static size_t count(const std::string& name) {
        size_t n = 0;
        for (const std::string& c : calls) {
            n += c == name;
        }
        return n;
    }
    static std::vector<std::string> passCalls(size_t from) {
        return std::vector<std::string>(calls.begin() + static_cast<long>(from), calls.end());
    }
};

TEST_F(LifecycleTest, StartupRunsInOrderAndCloseEndsAfterAFullPass) {
    onArtwork = [] { headlessQueueEvent(WindowEventClose); };
    ASSERT_TRUE(runGaugeApp());
    const std::vector<std::string> expected = {"startLinkThreads", "loadSettings",
                                               "loadGaugeArtwork", "setNeedleScales", "drawGauge",
                                               // the one pass, whose event is the close event
                                               "supervisePoller", "pause 10",
                                               // shutdown
                                               "saveSettings"};
    EXPECT_EQ(calls, expected);
}

TEST_F(LifecycleTest, WindowOpensAtTheStoredPosition) {
    settings.windowX = -900;
    settings.windowY = 40;
    onArtwork = [] { headlessQueueEvent(WindowEventClose); };
    ASSERT_TRUE(runGaugeApp());
    EXPECT_EQ(settings.windowX, -900) << "not moved: the loaded position is saved back";
    EXPECT_EQ(settings.windowY, 40);
}

TEST_F(LifecycleTest, MoveThenCloseBeforeAPollGiveMoveThenClose) {
    onArtwork = [] {
        headlessSetWindowPosition(120, -40);
        headlessQueueEvent(WindowEventMove);
        headlessQueueEvent(WindowEventMove); // a second move before the poll: one event
        headlessQueueEvent(WindowEventClose);
    };
    int passes = 0;
    onPause = [&passes] { ++passes; };
    ASSERT_TRUE(runGaugeApp());
    EXPECT_EQ(passes, 2) << "the move pass, then the close pass";
    EXPECT_EQ(settings.windowX, 120);
    EXPECT_EQ(settings.windowY, -40);
    EXPECT_EQ(calls.back(), "saveSettings");
}

TEST_F(LifecycleTest, CloseAndChangeInTheSamePassDrawThenPauseThenEnd) {
    onArtwork = [] {
        storeField(instrumentState.locNeedle, 64);
        headlessQueueEvent(WindowEventClose);
    };
    ASSERT_TRUE(runGaugeApp());
    const std::vector<std::string> tail = {"supervisePoller", "drawGauge", "pause 10",
                                           "saveSettings"};
    ASSERT_GE(calls.size(), tail.size());
    EXPECT_EQ(passCalls(calls.size() - tail.size()), tail);
}

TEST_F(LifecycleTest, AFrameOnlyWhenAFieldChanged) {
    int passes = 0;
    onPause = [&passes] {
        ++passes;
        if (passes == 2) {
            storeField(instrumentState.connected, 1); // link opens between passes
        }
        if (passes == 5) {
            headlessQueueEvent(WindowEventClose);
        }
    };
    onArtwork = [] {};
    ASSERT_TRUE(runGaugeApp());
    EXPECT_EQ(passes, 6);
    EXPECT_EQ(count("drawGauge"), 2u) << "the first frame and the one after the link opened";
}

TEST_F(LifecycleTest, SurfaceFailureShowsTheMessageAndSavesNothing) {
    headlessFailNextOpen(false, true);
    EXPECT_FALSE(runGaugeApp());
    EXPECT_STREQ(headlessLastMessageCaption(), "Erreur");
    EXPECT_STREQ(headlessLastMessageText(), "Impossible d'ouvrir un \xE9"
                                            "cran dans la fen\xEAtre!");
    EXPECT_EQ(count("saveSettings"), 0u);
    EXPECT_EQ(count("drawGauge"), 0u);
    EXPECT_EQ(count("startLinkThreads"), 1u) << "the link was started before the window";
}

TEST_F(LifecycleTest, WindowFailureEndsTheSameWay) {
    headlessFailNextOpen(true, false);
    EXPECT_FALSE(runGaugeApp());
    EXPECT_STREQ(headlessLastMessageCaption(), "Erreur");
    EXPECT_EQ(count("saveSettings"), 0u);
    EXPECT_EQ(count("loadGaugeArtwork"), 0u);
}

TEST(LifecycleText, TitleIsTheNameDirectlyFollowedByTheVersion) {
    EXPECT_STREQ(WindowTitle, "VOR Tavrin - 1.01");
    EXPECT_EQ(std::string(WindowTitle), std::string("VOR Tavrin - ") + VersionText);
    // é and ê as single Windows-1252 bytes.
    EXPECT_EQ(std::string(FailureText).size(), 45u);
}

} // namespace
