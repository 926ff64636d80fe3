// sim_ipc_client_test.cpp - SimIpcClient against the fake platform: open and
// its handshake, every failure code and what each leaves behind, the queue's
// layout and bound, the round trip and its failures, the copy-back walk, and
// a server that rewrites the block after serving it.
#include "simlink/sim_ipc_client.h"
#include "tests/simlink/client/fake_sim_ipc_platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

namespace C = SimIpcClient;

std::string blockName(uint32_t processId, uint32_t count) {
    char text[64];
    std::snprintf(text, sizeof text, "FsasmLib:IPC:%X:%X", processId, count);
    return text;
}

class SimIpcClientTest : public ::testing::Test {
  protected:
    void SetUp() override {
        C::close();
        fakeReset();
    }
    void TearDown() override {
        C::close();
        fakeReset();
    }

    FakeServer& fake() { return fakeServer(); }

    // Opens against the default server and forgets the handshake's traces.
    void openLink() {
        ASSERT_TRUE(C::open(0, &result));
        ASSERT_EQ(result, C::Ok);
        fake().sends = 0;
        fake().sleeps = 0;
        fake().sleptMilliseconds = 0;
        fake().roundTrips = 0;
        fake().batches.clear();
    }

    // Nothing of a failed open is left: no atom, no view, no mapping of ours.
    void expectNothingHeld(int othersMappings = 0) {
        EXPECT_EQ(C::state.block, nullptr);
        EXPECT_EQ(C::state.atom, 0);
        EXPECT_EQ(C::state.mapping, 0u);
        EXPECT_TRUE(fake().atoms.empty());
        EXPECT_EQ(fake().mapsMade, fake().unmapsMade);
        EXPECT_EQ(fakeLiveMappings(), othersMappings);
    }

    uint32_t result = 0xDEAD;
};

TEST_F(SimIpcClientTest, OpenNamesTheBlockAndShakesHandsInOneRoundTrip) {
    fake().processId = 0xABCDEF;
    uint32_t before = C::state.openCount;
    ASSERT_TRUE(C::open(0, &result));
    EXPECT_EQ(result, C::Ok);
    EXPECT_EQ(C::state.openCount, before + 1);
    EXPECT_EQ(fake().lastAtomName, blockName(0xABCDEF, before + 1));
    EXPECT_NE(fakeBlockOf(fake().lastAtomName), nullptr);

    // Both values came in the first round trip: one send, one pause.
    EXPECT_EQ(fake().sends, 1u);
    EXPECT_EQ(fake().sleeps, 1u);
    EXPECT_EQ(fake().sleptMilliseconds, 100u);
    EXPECT_EQ(fake().lastSendWindow, FakePrimaryWindow);
    EXPECT_EQ(fake().lastSendMessage, FakeMessageId);
    EXPECT_EQ(fake().lastSendFirstParam, uintptr_t{C::state.atom});
    EXPECT_EQ(fake().lastSendSecondParam, 0);
    EXPECT_EQ(fake().lastSendTimeout, 2000u);

    ASSERT_EQ(fake().batches.size(), 1u);
    const auto& b = fake().batches[0];
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(b[0].command, 1u);
    EXPECT_EQ(b[0].offset, 0x3304u);
    EXPECT_EQ(b[0].size, 4u);
    EXPECT_EQ(b[1].offset, 0x3308u);
    EXPECT_EQ(b[1].place, 20u);
    EXPECT_EQ(b[2].command, 2u);
    EXPECT_EQ(b[2].offset, 0x330Au);
    EXPECT_EQ(b[2].data, (std::vector<uint8_t>{0xD2, 0x07}));
    EXPECT_EQ(fake().clientVersionWritten, 2002);

    EXPECT_EQ(C::state.serverVersion, 0x19980005u);
    EXPECT_EQ(C::state.simulatorVersion, 1u);
    EXPECT_EQ(C::state.cursor, C::state.block);

    // Every open that reaches the naming step takes a new name.
    C::close();
    ASSERT_TRUE(C::open(0, &result));
    EXPECT_EQ(fake().lastAtomName, blockName(0xABCDEF, before + 2));
}

TEST_F(SimIpcClientTest, HandshakeWaitsForBothValuesAndWritesOnlyOnce) {
    struct Case {
        int roundTripsWithoutValue; // the server's values appear after this many
        uint32_t expectedRoundTrips;
        bool opens;
    };
    const Case cases[] = {{1, 2, true}, {4, 5, true}, {5, 5, false}, {100, 5, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.roundTripsWithoutValue);
        C::close();
        fakeReset();
        fakePut32(0x3308, 0);
        int served = 0;
        fake().afterServe = [&](uint8_t* block, uint32_t) {
            // The value reaches the block of the round trip that comes next.
            if (++served == c.roundTripsWithoutValue) {
                fakePut32(0x3308, 0xFADE0001);
            }
            (void)block;
        };
        EXPECT_EQ(C::open(0, &result), c.opens);
        EXPECT_EQ(result, c.opens ? C::Ok : C::VersionRejected);
        EXPECT_EQ(fake().roundTrips, c.expectedRoundTrips);
        EXPECT_EQ(fake().sleeps, c.expectedRoundTrips);
        uint32_t writes = 0;
        for (const auto& batch : fake().batches) {
            for (const auto& r : batch) {
                writes += r.command == 2;
            }
        }
        EXPECT_EQ(writes, 1u);
        ASSERT_FALSE(fake().batches.empty());
        EXPECT_EQ(fake().batches[0].back().command, 2u);
        if (!c.opens) {
            expectNothingHeld();
        }
    }
}

TEST_F(SimIpcClientTest, AcceptanceWindowClassesAndRequestedSimulator) {
    struct Case {
        const char* what;
        bool primary, fallback;
        uint32_t serverVersion, simulatorVersion, requested;
        uint32_t expected;
        uint32_t type;
    };
    const Case cases[] = {
        {"lowest version", true, false, 0x19980005, 0xFADE0001, 0, C::Ok, 1},
        {"one below", true, false, 0x19980004, 0xFADE0001, 0, C::VersionRejected, 0},
        {"highest version", true, false, 0xFFFFFFFF, 0xFADE0001, 0, C::Ok, 1},
        {"wrong mark", true, false, 0x19980005, 0xFADF0001, 0, C::VersionRejected, 0},
        {"mark in low half", true, false, 0x19980005, 0x0001FADE, 0, C::VersionRejected, 0},
        {"fallback rejected", false, true, 0x19980004, 0xFADE0001, 0, C::VersionRejectedFallback,
         0},
        {"fallback accepted", false, true, 0x19980005, 0xFADE0001, 0, C::Ok, 1},
        {"both: primary used", true, true, 0x19980004, 0xFADE0001, 0, C::VersionRejected, 0},
        {"type asked and found", true, false, 0x19980005, 0xFADE0007, 7, C::Ok, 7},
        {"any type", true, false, 0x19980005, 0xFADEFFFF, 0, C::Ok, 0xFFFF},
        {"other type", true, false, 0x19980005, 0xFADE0001, 2, C::WrongSimulator, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        C::close();
        fakeReset();
        fake().primaryWindow = c.primary;
        fake().fallbackWindow = c.fallback;
        fakePut32(0x3304, c.serverVersion);
        fakePut32(0x3308, c.simulatorVersion);
        bool opened = C::open(c.requested, &result);
        EXPECT_EQ(opened, c.expected == C::Ok);
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(fake().lastSendWindow, c.primary ? FakePrimaryWindow : FakeFallbackWindow);
        if (opened) {
            EXPECT_EQ(C::state.simulatorVersion, c.type);
        } else {
            expectNothingHeld();
        }
    }
}

TEST_F(SimIpcClientTest, EveryFailedOpenReleasesWhatItTook) {
    struct Case {
        const char* what;
        void (*script)(FakeServer&);
        uint32_t expected;
        bool named; // reached the naming step
    };
    const Case cases[] = {
        {"no window", [](FakeServer& s) { s.primaryWindow = false; }, C::NoServerWindow, false},
        {"no message", [](FakeServer& s) { s.registerFails = true; }, C::MessageNotRegistered,
         false},
        {"no atom", [](FakeServer& s) { s.atomFails = true; }, C::AtomNotAdded, true},
        {"no mapping", [](FakeServer& s) { s.mappingFails = true; }, C::MappingNotCreated, true},
        {"no view", [](FakeServer& s) { s.viewFails = true; }, C::ViewNotMapped, true},
        {"window gone", [](FakeServer& s) { s.sendAlwaysFails = true, s.sendErrorValue = 1400; },
         C::SendFailed, true},
        {"no answer", [](FakeServer& s) { s.sendAlwaysFails = true; }, C::SendTimedOut, true},
        {"bad reply", [](FakeServer& s) { s.replyValue = 0; }, C::BadReply, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        C::close();
        fakeReset();
        c.script(fake());
        uint32_t before = C::state.openCount;
        EXPECT_FALSE(C::open(0, &result));
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(C::state.openCount, before + (c.named ? 1 : 0));
        expectNothingHeld();
        EXPECT_FALSE(C::read(0x0C48, 1, nullptr, &result));
        EXPECT_EQ(result, C::NotOpen);
    }
}

TEST_F(SimIpcClientTest, ExistingMappingOfTheNameIsNeverJoined) {
    uint32_t next = C::state.openCount + 1;
    fakePlantMapping(blockName(0x1A2B, next));
    uint8_t* theirs = fakeBlockOf(blockName(0x1A2B, next));
    theirs[0] = 0x77;
    EXPECT_FALSE(C::open(0, &result));
    EXPECT_EQ(result, C::MappingNotCreated);
    EXPECT_EQ(fake().sends, 0u);
    EXPECT_EQ(theirs[0], 0x77);
    // Our handle to it was closed; theirs keeps it alive.
    expectNothingHeld(1);
    ASSERT_EQ(fake().mappingHandles.size(), 1u);

    // The next name is free again.
    EXPECT_TRUE(C::open(0, &result));
    EXPECT_EQ(fake().lastAtomName, blockName(0x1A2B, next + 1));
}

TEST_F(SimIpcClientTest, OpenWhileOpenChangesNothing) {
    openLink();
    uint8_t* block = C::state.block;
    uint32_t count = C::state.openCount;
    uint8_t needle = 0;
    ASSERT_TRUE(C::read(0x0C48, 1, &needle, &result));
    EXPECT_FALSE(C::open(0, &result));
    EXPECT_EQ(result, C::AlreadyOpen);
    EXPECT_EQ(C::state.block, block);
    EXPECT_EQ(C::state.openCount, count);
    EXPECT_EQ(fake().sends, 0u);
    // The queued read survives and the link works.
    fake().offsets[0x0C48] = 0x42;
    ASSERT_TRUE(C::process(&result));
    EXPECT_EQ(needle, 0x42);
}

TEST_F(SimIpcClientTest, RecordsArePackedLittleEndianWithTheEndMarker) {
    openLink();
    uint8_t none[4] = {};
    uint16_t course = 0;
    ASSERT_TRUE(C::read(0x0C4B, 0, none, &result));        // 16 bytes
    ASSERT_TRUE(C::read(0x12345678, 3, nullptr, &result)); // 19 bytes
    const uint8_t bytes[3] = {0xA1, 0xB2, 0xC3};
    ASSERT_TRUE(C::write(0x0D0C, 3, bytes, &result));  // 15 bytes
    ASSERT_TRUE(C::read(0x0C4E, 2, &course, &result)); // 18 bytes
    fakePut16(0x0C4E, 0x0168);
    fake().offsets[0x0C4B] = 0x55;
    ASSERT_TRUE(C::process(&result));
    EXPECT_EQ(course, 0x0168);
    EXPECT_EQ(none[0], 0);
    EXPECT_EQ(fake().offsets[0x0D0C + 2], 0xC3);

    const std::vector<uint8_t>& b = fake().lastBlockBeforeServe;
    uintptr_t courseAddress = reinterpret_cast<uintptr_t>(&course);
    const uint8_t expected[] = {
        1,
        0,
        0,
        0,
        0x4B,
        0x0C,
        0,
        0,
        0,
        0,
        0,
        0,                                                       // read, size 0
        static_cast<uint8_t>(reinterpret_cast<uintptr_t>(none)), // destination
        static_cast<uint8_t>(reinterpret_cast<uintptr_t>(none) >> 8),
        static_cast<uint8_t>(reinterpret_cast<uintptr_t>(none) >> 16),
        static_cast<uint8_t>(reinterpret_cast<uintptr_t>(none) >> 24),
        1,
        0,
        0,
        0,
        0x78,
        0x56,
        0x34,
        0x12,
        3,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0, // null dest.
        2,
        0,
        0,
        0,
        0x0C,
        0x0D,
        0,
        0,
        3,
        0,
        0,
        0,
        0xA1,
        0xB2,
        0xC3, // write
        1,
        0,
        0,
        0,
        0x4E,
        0x0C,
        0,
        0,
        2,
        0,
        0,
        0, // read
        static_cast<uint8_t>(courseAddress),
        static_cast<uint8_t>(courseAddress >> 8),
        static_cast<uint8_t>(courseAddress >> 16),
        static_cast<uint8_t>(courseAddress >> 24),
        0,
        0, // data
        0,
        0,
        0,
        0}; // end marker
    ASSERT_GE(b.size(), sizeof expected);
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + sizeof expected),
              std::vector<uint8_t>(expected, expected + sizeof expected));
}

TEST_F(SimIpcClientTest, QueueBoundIsTheReadsForWritesToo) {
    openLink();
    std::vector<uint8_t> big(C::QueueLimit);
    // 100 bytes used; then exactly up to the bound, then one byte more.
    ASSERT_TRUE(C::read(0x1000, 84, big.data(), &result));
    uint32_t rest = C::QueueLimit - 100 - 16;
    EXPECT_FALSE(C::read(0x1000, rest + 1, big.data(), &result));
    EXPECT_EQ(result, C::BlockFull);
    EXPECT_EQ(C::state.cursor, C::state.block + 100);
    EXPECT_FALSE(C::write(0x1000, rest + 1, big.data(), &result));
    EXPECT_EQ(result, C::BlockFull);
    // Its 12-byte header would let this one end exactly at the bound.
    EXPECT_FALSE(C::write(0x1000, rest + 4, big.data(), &result));
    EXPECT_EQ(result, C::BlockFull);
    EXPECT_EQ(C::state.cursor, C::state.block + 100);
    ASSERT_TRUE(C::read(0x1000, rest, big.data(), &result));
    EXPECT_EQ(result, C::Ok);
    EXPECT_EQ(C::state.cursor, C::state.block + C::QueueLimit);
    EXPECT_FALSE(C::read(0x1000, 0, nullptr, &result));
    ASSERT_TRUE(C::process(&result));

    ASSERT_TRUE(C::write(0x1000, C::QueueLimit - 16, big.data(), &result));
    EXPECT_EQ(C::state.cursor, C::state.block + C::QueueLimit - 4);
    ASSERT_TRUE(C::process(&result));

    // Sizes near 2^32 must not wrap round into "fits".
    for (uint32_t huge : {0xFFFFFFFFu, 0xFFFFFFF0u, 0xFFFFFFF0u - 100, 0x80000000u}) {
        ASSERT_TRUE(C::read(0x1000, 84, big.data(), &result));
        EXPECT_FALSE(C::read(0x1000, huge, big.data(), &result));
        EXPECT_EQ(result, C::BlockFull);
        EXPECT_FALSE(C::write(0x1000, huge, big.data(), &result));
        EXPECT_EQ(result, C::BlockFull);
        EXPECT_EQ(C::state.cursor, C::state.block + 100);
        ASSERT_TRUE(C::process(&result));
    }

    // The smallest records fill the bound without overrunning the client's notes.
    for (uint32_t i = 0; i < C::MaxQueuedRecords; ++i) {
        ASSERT_TRUE(C::read(0x1000, 0, nullptr, &result));
    }
    EXPECT_FALSE(C::read(0x1000, 0, nullptr, &result));
    EXPECT_EQ(result, C::BlockFull);
    ASSERT_TRUE(C::process(&result));
    EXPECT_EQ(fake().batches.back().size(), C::MaxQueuedRecords);
}

TEST_F(SimIpcClientTest, ProcessCopiesExactlyTheBytesRead) {
    openLink();
    uint16_t flag = 0x0000;
    uint16_t wider = 0x5500;
    int8_t needle = 0;
    uint32_t version = 0;
    fake().offsets[0x0C4C] = 0xAB;
    fake().offsets[0x0C48] = 0xFB; // -5
    fakePut32(0x3304, 0x19990001);
    ASSERT_TRUE(C::read(0x0C4C, 1, &flag, &result));
    ASSERT_TRUE(C::read(0x0C4C, 1, &wider, &result));
    ASSERT_TRUE(C::read(0x0C48, 1, &needle, &result));
    ASSERT_TRUE(C::read(0x3304, 4, &version, &result));
    ASSERT_TRUE(C::process(&result));
    EXPECT_EQ(result, C::Ok);
    EXPECT_EQ(flag, 0x00AB);
    EXPECT_EQ(wider, 0x55AB);
    EXPECT_EQ(needle, -5);
    EXPECT_EQ(version, 0x19990001u);
    EXPECT_EQ(fake().sends, 1u);
    EXPECT_EQ(fake().sleeps, 0u);
    EXPECT_EQ(C::state.cursor, C::state.block);
}

TEST_F(SimIpcClientTest, NothingQueuedSendsNothing) {
    openLink();
    EXPECT_FALSE(C::process(&result));
    EXPECT_EQ(result, C::NothingQueued);
    uint8_t v = 0;
    ASSERT_TRUE(C::read(0x0C48, 1, &v, &result));
    ASSERT_TRUE(C::process(&result));
    EXPECT_FALSE(C::process(&result));
    EXPECT_EQ(result, C::NothingQueued);
    EXPECT_EQ(fake().sends, 1u);
}

TEST_F(SimIpcClientTest, FailedRoundTripsEmptyTheQueueAndChangeNoDestination) {
    struct Case {
        const char* what;
        void (*script)(FakeServer&);
        uint32_t expected;
        uint32_t sends, sleeps;
    };
    const Case cases[] = {
        {"reply 0", [](FakeServer& s) { s.replyValue = 0; }, C::BadReply, 1, 0},
        {"reply 2", [](FakeServer& s) { s.replyValue = 2; }, C::BadReply, 1, 0},
        {"gone", [](FakeServer& s) { s.primaryWindow = false; }, C::SendFailed, 9, 9},
        {"error", [](FakeServer& s) { s.sendAlwaysFails = true, s.sendErrorValue = 5; },
         C::SendFailed, 9, 9},
        {"timed out", [](FakeServer& s) { s.sendAlwaysFails = true; }, C::SendTimedOut, 9, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        C::close();
        fakeReset();
        openLink();
        c.script(fake());
        fake().offsets[0x0C48] = 0x11;
        fakePut16(0x0C4E, 0x2222);
        uint8_t needle = 0x99;
        uint16_t course = 0x9999;
        ASSERT_TRUE(C::read(0x0C48, 1, &needle, &result));
        ASSERT_TRUE(C::read(0x0C4E, 2, &course, &result));
        EXPECT_FALSE(C::process(&result));
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(fake().sends, c.sends);
        EXPECT_EQ(fake().sleeps, c.sleeps);
        EXPECT_EQ(needle, 0x99);
        EXPECT_EQ(course, 0x9999);
        // Still open, and the next batch starts at the block's start.
        EXPECT_NE(C::state.block, nullptr);
        EXPECT_EQ(C::state.cursor, C::state.block);
        EXPECT_FALSE(C::process(&result));
        EXPECT_EQ(result, C::NothingQueued);
        ASSERT_TRUE(C::read(0x0C4E, 2, &course, &result));
        EXPECT_EQ(C::state.cursor, C::state.block + 18);
    }
}

TEST_F(SimIpcClientTest, SendsAreRetriedUntilOneIsServed) {
    openLink();
    fake().sendFailures = 8;
    uint8_t v = 0;
    fake().offsets[0x0C49] = 7;
    ASSERT_TRUE(C::read(0x0C49, 1, &v, &result));
    ASSERT_TRUE(C::process(&result));
    EXPECT_EQ(v, 7);
    EXPECT_EQ(fake().sends, 9u);
    EXPECT_EQ(fake().sleeps, 8u);
    EXPECT_EQ(fake().sleptMilliseconds, 800u);
}

TEST_F(SimIpcClientTest, CloseIsHarmlessTwiceAndEndsTheLink) {
    C::close(); // without open
    openLink();
    std::string name = fake().lastAtomName;
    uint8_t v = 0;
    ASSERT_TRUE(C::read(0x0C48, 1, &v, &result));
    C::close();
    C::close();
    EXPECT_EQ(C::state.serverWindow, 0u);
    EXPECT_EQ(C::state.messageId, 0u);
    expectNothingHeld();
    EXPECT_EQ(fakeBlockOf(name), nullptr);
    EXPECT_FALSE(C::read(0x0C48, 1, &v, &result));
    EXPECT_EQ(result, C::NotOpen);
    result = 0xDEAD;
    EXPECT_FALSE(C::write(0x0C48, 1, &v, &result));
    EXPECT_EQ(result, C::NotOpen);
    result = 0xDEAD;
    EXPECT_FALSE(C::process(&result));
    EXPECT_EQ(result, C::NotOpen);
    EXPECT_EQ(fake().sends, 0u);
}

// Destinations with guard bytes on both sides: no byte may land outside.
struct Guarded {
    uint8_t before[8];
    uint8_t value[4];
    uint8_t after[8];
};

void fillGuarded(Guarded& g) {
    std::memset(&g, 0xEE, sizeof g);
}

bool guardsIntact(const Guarded& g) {
    for (int i = 0; i < 8; ++i) {
        if (g.before[i] != 0xEE || g.after[i] != 0xEE) {
            return false;
        }
    }
    return true;
}

void put32(uint8_t* at, uint32_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
    at[2] = static_cast<uint8_t>(v >> 16);
    at[3] = static_cast<uint8_t>(v >> 24);
}

TEST_F(SimIpcClientTest, WalkTrustsOnlyWhatWasQueued) {
    // Three reads of 2 bytes at 0, 18 and 36; the server then rewrites the
    // second record. Copied: the records before the changed one.
    struct Case {
        const char* what;
        uint32_t fieldOffset; // within the second record
        uint32_t value;
        bool secondCopied, thirdCopied;
        bool commandCleared;
    };
    const Case cases[] = {
        {"behaves", 0, 1, true, true, false},
        {"unknown command", 0, 7, false, false, true},
        {"command 0", 0, 0, false, false, false},
        {"read turned write", 0, 2, false, false, true},
        {"size grown", 8, 0x7000, false, false, true},
        {"size huge", 8, 0xFFFFFFFF, false, false, true},
        {"size shrunk", 8, 1, false, false, true},
        {"size 0", 8, 0, false, false, true},
        {"destination moved", 12, 0x00001000, true, true, false},
        {"offset changed", 4, 0x9999, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        C::close();
        fakeReset();
        openLink();
        fakePut16(0x0C4E, 0x0102);
        Guarded d[3];
        for (Guarded& g : d) {
            fillGuarded(g);
            ASSERT_TRUE(C::read(0x0C4E, 2, g.value, &result));
        }
        fake().afterServe = [&](uint8_t* block, uint32_t) {
            put32(block + 18 + c.fieldOffset, c.value);
        };
        ASSERT_TRUE(C::process(&result));
        EXPECT_EQ(result, C::Ok);
        for (const Guarded& g : d) {
            EXPECT_TRUE(guardsIntact(g));
            EXPECT_EQ(g.value[2], 0xEE);
        }
        EXPECT_EQ(d[0].value[0], 0x02);
        EXPECT_EQ(d[1].value[0] == 0x02, c.secondCopied);
        EXPECT_EQ(d[2].value[0] == 0x02, c.thirdCopied);
        if (c.commandCleared) {
            uint8_t zero[4] = {};
            EXPECT_EQ(std::memcmp(C::state.block + 18, zero, 4), 0);
        }
    }
}

TEST_F(SimIpcClientTest, ServerScribblingOverTheWholeBlockWritesNothingOutside) {
    openLink();
    struct Pattern {
        uint8_t byte;
    };
    for (Pattern p : {Pattern{0xFF}, Pattern{0x01}, Pattern{0x00}, Pattern{0x10}}) {
        SCOPED_TRACE(int{p.byte});
        Guarded d[4];
        for (Guarded& g : d) {
            fillGuarded(g);
            ASSERT_TRUE(C::read(0x0C48, 4, g.value, &result));
        }
        fake().afterServe = [&](uint8_t* block, uint32_t size) {
            std::memset(block, p.byte, size);
        };
        ASSERT_TRUE(C::process(&result));
        for (const Guarded& g : d) {
            EXPECT_TRUE(guardsIntact(g));
        }
    }
    // A size rewritten on the last record of a block filled to the bound
    // would walk off the block's end if it were trusted.
    std::vector<uint8_t> big(C::QueueLimit);
    ASSERT_TRUE(C::read(0x1000, C::QueueLimit - 16, big.data(), &result));
    fake().afterServe = [](uint8_t* block, uint32_t) { put32(block + 8, 0x7FF0); };
    ASSERT_TRUE(C::process(&result));
}

} // namespace
