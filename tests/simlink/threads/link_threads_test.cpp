// link_threads_test.cpp - ConnectorThread, PollerThread and the supervision,
// running for real against the fake server, which appears, vanishes and
// changes its values while the test plays the main loop (supervisePoller()
// and a look at instrumentState about every 10 ms).
//
// The threads are started once per process and never stopped, so each test
// first brings the link to the state it starts from. Every wait is for a
// condition with a generous deadline; figures are printed, not judged.
#include "app/instrument_state.h"
#include "simlink/link_threads.h"
#include "tests/simlink/client/fake_sim_ipc_platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto Deadline = std::chrono::seconds(20);

void startOnce() {
    static bool started = false;
    if (started) {
        return;
    }
    started = true;
    fakeReset();
    {
        std::lock_guard<std::mutex> hold(fakeLock());
        fakeServer().primaryWindow = false;
        fakeServer().sleepForReal = true;
        fakeServer().keepHistory = false;
    }
    startLinkThreads();
}

template <typename F> void script(F change) {
    std::lock_guard<std::mutex> hold(fakeLock());
    change(fakeServer());
}

uint32_t openAttempts() {
    std::lock_guard<std::mutex> hold(fakeLock());
    return fakeServer().openAttempts;
}

bool connected() {
    return loadField(instrumentState.connected) != 0;
}

// One main-loop pass after another until the condition holds; false when the
// deadline passed first. everyPass runs on each pass (a look at the values).
bool passUntil(const std::function<bool()>& condition,
               const std::function<void()>& everyPass = nullptr,
               std::chrono::milliseconds pause = std::chrono::milliseconds(10)) {
    auto end = Clock::now() + Deadline;
    while (Clock::now() < end) {
        supervisePoller();
        if (everyPass) {
            everyPass();
        }
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(pause);
    }
    return false;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Values {
    int8_t toFrom;
    int8_t locNeedle;
    uint16_t obsDegrees;
    uint8_t gsFlagByte;
    int8_t gsNeedle;
    uint16_t lights;
};

void serveValues(const Values& v) {
    script([&](FakeServer& s) {
        s.offsets[0x0C4B] = static_cast<uint8_t>(v.toFrom);
        s.offsets[0x0C48] = static_cast<uint8_t>(v.locNeedle);
        fakePut16(0x0C4E, v.obsDegrees);
        s.offsets[0x0C4C] = v.gsFlagByte;
        s.offsets[0x0C4D] = 0xA5; // the neighbour must never reach gsFlag
        s.offsets[0x0C49] = static_cast<uint8_t>(v.gsNeedle);
        fakePut16(0x0D0C, v.lights);
    });
}

bool showing(const Values& v) {
    const InstrumentState& s = instrumentState;
    return loadField(s.toFrom) == v.toFrom && loadField(s.locNeedle) == v.locNeedle &&
           loadField(s.obsDegrees) == v.obsDegrees && loadField(s.gsFlag) == v.gsFlagByte &&
           loadField(s.gsNeedle) == v.gsNeedle && loadField(s.lights) == v.lights;
}

// Brings the link up with these values showing and one poller running.
void linkUpWith(const Values& v) {
    serveValues(v);
    script([](FakeServer& s) {
        s.primaryWindow = true;
        s.sendFailures = 0;
        s.afterServe = nullptr;
    });
    ASSERT_TRUE(passUntil(
        [&] { return connected() && showing(v) && linkThreadCounts().pollersRunning == 1; }));
}

void linkDown() {
    script([](FakeServer& s) { s.primaryWindow = false; });
    ASSERT_TRUE(passUntil([] { return !connected() && linkThreadCounts().pollersRunning == 0; }));
}

TEST(LinkThreads, AbsentServerIsTriedOnceASecondAndFoundWhenItAppears) {
    startOnce();
    linkDown();

    // Each attempt fails at once and leaves nothing behind.
    uint32_t first = openAttempts();
    auto start = Clock::now();
    ASSERT_TRUE(passUntil([&] {
        EXPECT_FALSE(connected());
        return openAttempts() >= first + 3;
    }));
    double elapsed = secondsSince(start);
    std::printf("3 open attempts in %.2f s\n", elapsed);
    EXPECT_GE(elapsed, 1.9); // at least two 1000 ms pauses between them
    script([](FakeServer& s) { EXPECT_TRUE(s.atoms.empty()); });
    EXPECT_EQ(fakeLiveMappings(), 0);
    EXPECT_EQ(linkThreadCounts().pollersRunning, 0);

    const Values v{2, -100, 359, 0xFF, 127, 0x0120};
    serveValues(v);
    start = Clock::now();
    script([](FakeServer& s) { s.primaryWindow = true; });
    ASSERT_TRUE(passUntil(connected));
    std::printf("connected %.2f s after the window appeared\n", secondsSince(start));
    ASSERT_TRUE(passUntil([&] { return linkThreadCounts().pollersRunning == 1 && showing(v); }));
    std::printf("values showing %.2f s after the window appeared\n", secondsSince(start));
    EXPECT_EQ(loadField(instrumentState.gsFlag), 0x00FF);
    EXPECT_LE(linkThreadCounts().mostPollersRunning, 1);
}

TEST(LinkThreads, LossKeepsTheValuesAndTheLinkComesBack) {
    startOnce();
    const Values before{1, 5, 90, 1, -3, 0x0020};
    linkUpWith(before);

    uint32_t started = linkThreadCounts().pollersStarted;
    auto start = Clock::now();
    script([](FakeServer& s) { s.primaryWindow = false; });
    // The server's last values change too: nothing may reach the gauge now.
    serveValues(Values{0, 0, 0, 0, 0, 0});
    ASSERT_TRUE(passUntil([] { return !connected(); }, [&] { EXPECT_TRUE(showing(before)); }));
    std::printf("loss noticed after %.2f s\n", secondsSince(start));
    ASSERT_TRUE(passUntil([] { return linkThreadCounts().pollersRunning == 0; }));
    EXPECT_TRUE(showing(before));
    EXPECT_EQ(fakeLiveMappings(), 0);

    const Values after{2, -7, 270, 0, 9, 0x0000};
    serveValues(after);
    script([](FakeServer& s) { s.primaryWindow = true; });
    ASSERT_TRUE(passUntil([&] { return connected() && showing(after); }));
    ASSERT_TRUE(passUntil([] { return linkThreadCounts().pollersRunning == 1; }));
    EXPECT_GT(linkThreadCounts().pollersStarted, started);
    EXPECT_LE(linkThreadCounts().mostPollersRunning, 1);
}

TEST(LinkThreads, SixteenBitValuesArriveWhole) {
    startOnce();
    linkUpWith(Values{1, 0, 0x00FF, 0x7E, 0, 0x00FF});
    // Between round trips the server turns both values over a byte boundary,
    // so that a torn store would show 0x0000 or 0x01FF.
    script([](FakeServer& s) {
        s.afterServe = [](uint8_t*, uint32_t) {
            uint16_t next = fakeGet16(0x0C4E) == 0x00FF ? 0x0100 : 0x00FF;
            fakePut16(0x0C4E, next);
            fakePut16(0x0D0C, next);
        };
    });
    uint32_t roundTripsBefore = 0;
    script([&](FakeServer& s) { roundTripsBefore = s.roundTrips; });
    auto start = Clock::now();
    uint16_t lastCourse = 0x00FF;
    int changes = 0;
    bool whole = true;
    auto look = [&] {
        for (int i = 0; i < 2000; ++i) {
            uint16_t course = loadField(instrumentState.obsDegrees);
            uint16_t lights = loadField(instrumentState.lights);
            whole = whole && (course == 0x00FF || course == 0x0100) &&
                    (lights == 0x00FF || lights == 0x0100);
            changes += course != lastCourse;
            lastCourse = course;
        }
    };
    ASSERT_TRUE(passUntil([&] { return changes >= 200; }, look, std::chrono::milliseconds(1)));
    double elapsed = secondsSince(start);
    uint32_t roundTrips = 0;
    script([&](FakeServer& s) { roundTrips = s.roundTrips - roundTripsBefore; });
    std::printf("%u round trips in %.2f s: %.0f a second\n", roundTrips, elapsed,
                roundTrips / elapsed);
    EXPECT_TRUE(whole);
    EXPECT_EQ(loadField(instrumentState.gsFlag), 0x007E);
    script([](FakeServer& s) { s.afterServe = nullptr; });
}

TEST(LinkThreads, QuickLossAndRegainNeverRunsTwoPollers) {
    startOnce();
    linkUpWith(Values{1, 1, 1, 1, 1, 1});
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        uint32_t started = linkThreadCounts().pollersStarted;
        // One round trip fails (nine sends); the server stays, so the
        // connector opens again at its next cycle while a poller may still
        // be ending. The main loop looks every millisecond to catch a race.
        script([](FakeServer& s) {
            s.sendFailures = 9;
            s.sendErrorValue = FakeInvalidWindowError;
        });
        ASSERT_TRUE(passUntil([] { return !connected(); }, nullptr, std::chrono::milliseconds(1)));
        ASSERT_TRUE(passUntil([] { return connected() && linkThreadCounts().pollersRunning == 1; },
                              nullptr, std::chrono::milliseconds(1)));
        EXPECT_GE(linkThreadCounts().pollersStarted, started);
        EXPECT_LE(linkThreadCounts().mostPollersRunning, 1);
    }
    std::printf("%u pollers started in this process\n", linkThreadCounts().pollersStarted);
}

} // namespace
