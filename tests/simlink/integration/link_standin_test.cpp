// link_standin_test.cpp - the simulator link end to end against the stand-in
// in a process of its own: the client's open, handshake and batches under the
// stand-in's modes and faults, and the link threads connecting, following the
// values, noticing the loss and reconnecting.
#include "app/instrument_state.h"
#include "app/pause.h"
#include "simlink/link_threads.h"
#include "simlink/sim_ipc_client.h"
#include "tests/simlink/integration/standin_process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

class LinkAgainstStandin : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_FALSE(useIsolatedIpcDirectory().empty()); }
    void TearDown() override {
        SimIpcClient::close();
        killStandin(&standin);
    }
    StandinProcess standin{};
};

struct OpenCase {
    std::vector<std::string> arguments;
    uint32_t requested;
    bool opens;
    uint32_t result;
};

TEST_F(LinkAgainstStandin, OpenAcceptsOrRefusesWhatTheServerServes) {
    using namespace SimIpcClient;
    const OpenCase cases[] = {
        {{}, 0, true, Ok},
        {{"--fs98"}, 0, true, Ok},
        {{"--reject-version"}, 0, false, VersionRejected},
        {{"--fs98", "--reject-version"}, 0, false, VersionRejectedFallback},
        {{"--wrong-type"}, 0, false, VersionRejected},
        {{"--server-version", "0x19980005", "--sim-type", "8"}, 8, true, Ok},
        {{"--sim-type", "8"}, 1, false, WrongSimulator},
        {{"--reply", "0"}, 0, false, BadReply},
        {{"--reply", "2"}, 0, false, BadReply},
    };
    for (const OpenCase& c : cases) {
        std::string label;
        for (const std::string& a : c.arguments) {
            label += a + " ";
        }
        SCOPED_TRACE(label);
        ASSERT_TRUE(startStandin(&standin, c.arguments));
        uint32_t result = 99;
        EXPECT_EQ(open(c.requested, &result), c.opens);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(state.block != nullptr, c.opens);
        close();
        endStandin(&standin);
    }
}

TEST_F(LinkAgainstStandin, TheSixValuesArriveAndEveryReopenPassesTheVersionTest) {
    ASSERT_TRUE(startStandin(&standin, {"--trace", "--set", "tofrom=2", "--set", "loc=-40", "--set",
                                        "obs=359", "--set", "gsflag=1", "--set", "gs=127", "--set",
                                        "lights=0x21"}));
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        uint32_t result = 99;
        ASSERT_TRUE(SimIpcClient::open(0, &result)) << result;
        EXPECT_EQ(SimIpcClient::state.simulatorVersion, 1u);
        int8_t toFrom = 0, loc = 0, gs = 0;
        uint16_t obs = 0, gsFlag = 0, lights = 0;
        SimIpcClient::read(0x0C4B, 1, &toFrom, &result);
        SimIpcClient::read(0x0C48, 1, &loc, &result);
        SimIpcClient::read(0x0C4E, 2, &obs, &result);
        SimIpcClient::read(0x0C4C, 1, &gsFlag, &result);
        SimIpcClient::read(0x0C49, 1, &gs, &result);
        SimIpcClient::read(0x0D0C, 2, &lights, &result);
        ASSERT_TRUE(SimIpcClient::process(&result)) << result;
        EXPECT_EQ(toFrom, 2);
        EXPECT_EQ(loc, -40);
        EXPECT_EQ(obs, 359);
        EXPECT_EQ(gsFlag, 1);
        EXPECT_EQ(gs, 127);
        EXPECT_EQ(lights, 0x21);
        SimIpcClient::close();
    }
    ASSERT_TRUE(waitForStandinOutput(
        standin, "batch R0C4B:1 R0C48:1 R0C4E:2 R0C4C:1 R0C49:1 R0D0C:2", 5.0, 3));
    std::string out = standinOutput(standin);
    // One handshake write per open, and only in its first round trip.
    auto count = [&](const std::string& text) {
        size_t n = 0;
        for (size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1)) {
            ++n;
        }
        return n;
    };
    EXPECT_EQ(count("write "), 3u) << out;
    EXPECT_EQ(count("\nwrite 0x330A 2: D2 07\n"), 3u) << out;
    EXPECT_NE(out.find("batch R3304:4 R3308:4 W330A:2\n"), std::string::npos) << out;
}

TEST_F(LinkAgainstStandin, AServerThatExitsFailsTheNextBatchWithAnError) {
    ASSERT_TRUE(startStandin(&standin, {"--exit-after", "3"}));
    uint32_t result = 0;
    ASSERT_TRUE(SimIpcClient::open(0, &result)); // batch 1
    uint8_t v = 0;
    for (int i = 0; i < 2; ++i) { // batches 2 and 3
        SimIpcClient::read(0x0C48, 1, &v, &result);
        EXPECT_TRUE(SimIpcClient::process(&result));
    }
    ASSERT_TRUE(standinEnded(&standin, 5.0));
    SimIpcClient::read(0x0C48, 1, &v, &result);
    double start = monotonicSeconds();
    EXPECT_FALSE(SimIpcClient::process(&result));
    double took = monotonicSeconds() - start;
    EXPECT_EQ(result, SimIpcClient::SendFailed);
    // Nine failing sends with 100 ms pauses.
    EXPECT_GT(took, 0.8);
    EXPECT_LT(took, 8.0) << "failed sends, not time-outs";
}

TEST_F(LinkAgainstStandin, SizesRewrittenByTheServerNeverOverrunADestination) {
    ASSERT_TRUE(startStandin(&standin,
                             {"--set", "loc=5", "--rewrite-sizes", "4096", "--faults-after", "1"}));
    uint32_t result = 0;
    ASSERT_TRUE(SimIpcClient::open(0, &result)) << result;
    uint8_t guarded[8];
    std::memset(guarded, 0xEE, sizeof guarded);
    SimIpcClient::read(0x0C48, 1, guarded, &result);
    SimIpcClient::process(&result);
    for (size_t i = 1; i < sizeof guarded; ++i) {
        EXPECT_EQ(guarded[i], 0xEE) << "byte " << i;
    }
}

TEST_F(LinkAgainstStandin, AServerThatNeverAnswersTimesOut) {
    ASSERT_TRUE(startStandin(&standin, {"--no-answer"}));
    uint32_t result = 0;
    double start = monotonicSeconds();
    EXPECT_FALSE(SimIpcClient::open(0, &result));
    double took = monotonicSeconds() - start;
    EXPECT_EQ(result, SimIpcClient::SendTimedOut);
    EXPECT_GT(took, 18.0); // 9 x (2000 + 100) ms
    EXPECT_LT(took, 60.0);
    EXPECT_EQ(SimIpcClient::state.block, nullptr);
}

// The main loop's part: supervise every 10 ms until the condition holds.
bool superviseUntil(const std::function<bool()>& condition, double seconds,
                    double* took = nullptr) {
    double start = monotonicSeconds();
    while (!condition()) {
        if (monotonicSeconds() - start > seconds) {
            return false;
        }
        supervisePoller();
        EXPECT_LE(linkThreadCounts().mostPollersRunning, 1) << "two pollers at once";
        pauseMilliseconds(10);
    }
    if (took) {
        *took = monotonicSeconds() - start;
    }
    return true;
}

bool connected() {
    return loadField(instrumentState.connected) == 1;
}

TEST_F(LinkAgainstStandin, TheThreadsConnectFollowNoticeTheLossAndReconnect) {
    resetInstrumentState();
    startLinkThreads();
    // No server: nothing connects.
    EXPECT_FALSE(superviseUntil(connected, 1.5));

    ASSERT_TRUE(
        startStandin(&standin, {"--set", "loc=-40", "--set", "obs=270", "--set", "lights=0x20",
                                "--set", "gsflag=1", "--set", "gs=33", "--set", "tofrom=2"}));
    double took = 0;
    ASSERT_TRUE(superviseUntil(connected, 10.0, &took));
    std::printf("connected %.3f s after the stand-in was ready\n", took);
    EXPECT_LT(took, 5.0) << "about a second";
    ASSERT_TRUE(superviseUntil(
        [] {
            return loadField(instrumentState.obsDegrees) == 270 &&
                   loadField(instrumentState.lights) == 0x20;
        },
        5.0));
    EXPECT_EQ(loadField(instrumentState.locNeedle), -40);
    EXPECT_EQ(loadField(instrumentState.gsFlag), 1);
    EXPECT_EQ(loadField(instrumentState.gsNeedle), 33);
    EXPECT_EQ(loadField(instrumentState.toFrom), 2);
    EXPECT_EQ(linkThreadCounts().pollersRunning, 1);

    killStandin(&standin);
    ASSERT_TRUE(superviseUntil([] { return !connected(); }, 10.0, &took));
    std::printf("loss noticed %.3f s after the stand-in was killed\n", took);
    EXPECT_LT(took, 5.0) << "about 0.9 s";
    // The values keep their last readings.
    EXPECT_EQ(loadField(instrumentState.locNeedle), -40);
    EXPECT_EQ(loadField(instrumentState.obsDegrees), 270);
    EXPECT_EQ(loadField(instrumentState.lights), 0x20);
    ASSERT_TRUE(superviseUntil([] { return linkThreadCounts().pollersRunning == 0; }, 5.0));

    ASSERT_TRUE(startStandin(&standin, {"--set", "loc=12", "--set", "obs=90"}));
    ASSERT_TRUE(superviseUntil(connected, 10.0, &took));
    std::printf("reconnected %.3f s after the stand-in was ready again\n", took);
    ASSERT_TRUE(superviseUntil([] { return loadField(instrumentState.obsDegrees) == 90; }, 5.0));
    EXPECT_EQ(loadField(instrumentState.locNeedle), 12);

    // Lost and regained quickly: a restart well within the loss time.
    killStandin(&standin);
    ASSERT_TRUE(startStandin(&standin, {"--set", "loc=-3", "--set", "obs=180"}));
    ASSERT_TRUE(superviseUntil(
        [] { return connected() && loadField(instrumentState.obsDegrees) == 180; }, 15.0));
    EXPECT_EQ(loadField(instrumentState.locNeedle), -3);
    EXPECT_LE(linkThreadCounts().mostPollersRunning, 1);
    EXPECT_GE(linkThreadCounts().pollersStarted, 2u);
}

} // namespace
