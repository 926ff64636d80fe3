// standin_core_test.cpp - the stand-in's serving of request blocks (every
// record checked against the block, the handshake's write kept apart from the
// served simulator word), its options and timeline files, and the scripted
// approach.
#include "tools/sim-standin/standin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// Appends records the way the client packs them.
struct Packer {
    std::vector<uint8_t>& block;
    size_t at = 0;
    void read(uint32_t offset, uint32_t size) {
        put32(block, at, 1);
        put32(block, at + 4, offset);
        put32(block, at + 8, size);
        put32(block, at + 12, 0x1234);
        at += 16 + size;
    }
    void write(uint32_t offset, std::vector<uint8_t> data) {
        put32(block, at, 2);
        put32(block, at + 4, offset);
        put32(block, at + 8, static_cast<uint32_t>(data.size()));
        std::memcpy(&block[at + 12], data.data(), data.size());
        at += 12 + data.size();
    }
    void end() { put32(block, at, 0); }
};

StandinConfig parse(std::vector<std::string> args, StandinParse expected = StandinParse::Run) {
    std::vector<char*> argv{const_cast<char*>("sim-standin")};
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    StandinConfig config;
    FILE* sink = std::tmpfile();
    EXPECT_EQ(parseStandinArgs(static_cast<int>(argv.size()), argv.data(), &config, sink),
              expected);
    std::fclose(sink);
    return config;
}

struct Served {
    StandinConfig config;
    StandinState state;
};

TEST(StandinServe, ReadsGetTheTableAndTheHandshakeWriteStaysApart) {
    static Served s;
    s.config = parse({"--set", "loc=-40", "--set", "obs=0x1234"});
    initStandinState(&s.state, s.config);
    for (int round = 0; round < 2; ++round) {
        std::vector<uint8_t> block(0x8000, 0);
        Packer p{block};
        p.read(0x3304, 4);
        p.read(0x3308, 4);
        p.write(0x330A, {0xD2, 0x07});
        p.read(0x0C48, 1);
        p.read(0x0C4E, 2);
        p.read(0x0C4E, 0);
        p.read(0xFFFF, 4); // past the offset table: zeros beyond it
        p.end();
        ASSERT_EQ(standinServeBatch(&s.state, s.config, block.data(), 0x8000, nullptr), 1u);
        EXPECT_EQ(get32(block, 16), 0x19980005u);
        EXPECT_EQ(get32(block, 36), 0xFADE0001u)
            << "round " << round << ": the word read at 0x3308";
        EXPECT_EQ(get32(block, 8), 4u) << "sizes left as written";
        EXPECT_EQ(get32(block, 12), 0x1234u) << "destinations left as written";
        EXPECT_EQ(block[14 + 40 + 16], 0xD8); // -40
        EXPECT_EQ(block[14 + 40 + 17 + 16], 0x34);
        EXPECT_EQ(block[14 + 40 + 17 + 17], 0x12);
    }
    EXPECT_EQ(s.state.handshakeWritten[6], 0xD2);
    EXPECT_EQ(s.state.handshakeWritten[7], 0x07);
    EXPECT_EQ(s.state.batches, 2u);
}

TEST(StandinServe, ARecordThatPassesTheBlockIsRefusedUntouched) {
    struct Case {
        const char* what;
        uint32_t command, offset, size;
        size_t place; // where the bad record stands
    };
    const uint32_t blockSize = 256;
    const Case cases[] = {
        {"data past the end", 1, 0x0C48, blockSize - 16 - 16 + 1, 16},
        {"huge size", 1, 0x0C48, 0xFFFFFFFF, 16},
        {"write data past the end", 2, 0x0C48, blockSize - 16 - 12 + 1, 16},
        {"header past the end", 1, 0x0C48, 0, blockSize - 8},
        {"unknown command", 7, 0, 0, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        static Served s;
        s.config = parse({"--set", "0x0C48:1=0x55", "--trace"});
        initStandinState(&s.state, s.config);
        // Guard bytes behind the block must survive.
        std::vector<uint8_t> memory(blockSize + 64, 0xEE);
        std::memset(memory.data(), 0, blockSize);
        Packer p{memory};
        p.read(0x0C48, 0); // one good record first
        put32(memory, c.place, c.command);
        if (c.place + 12 <= blockSize) {
            put32(memory, c.place + 4, c.offset);
            put32(memory, c.place + 8, c.size);
        }
        if (c.place != 16) {
            // fill the gap with a write record of the right length
            put32(memory, 16, 2);
            put32(memory, 20, 0x4000);
            put32(memory, 24, static_cast<uint32_t>(c.place - 16 - 12));
        }
        std::vector<uint8_t> before = memory;
        FILE* out = std::tmpfile();
        EXPECT_EQ(standinServeBatch(&s.state, s.config, memory.data(), blockSize, out), 0u);
        std::rewind(out);
        char line[200] = {};
        std::string text;
        while (std::fgets(line, sizeof line, out)) {
            text += line;
        }
        std::fclose(out);
        EXPECT_NE(text.find("bad record at " + std::to_string(c.place)), std::string::npos) << text;
        for (size_t i = blockSize; i < memory.size(); ++i) {
            ASSERT_EQ(memory[i], 0xEE) << "byte " << i << " behind the block";
        }
        EXPECT_EQ(
            std::memcmp(memory.data() + c.place, before.data() + c.place, blockSize - c.place), 0);
    }
}

TEST(StandinServe, ABlockWithoutEndMarkerIsServedToItsEndAndRefused) {
    static Served s;
    s.config = parse({});
    initStandinState(&s.state, s.config);
    std::vector<uint8_t> block(64, 0);
    Packer p{block};
    p.read(0x0C4E, 16);
    p.read(0x0C4E, 16); // exactly fills the block
    EXPECT_EQ(standinServeBatch(&s.state, s.config, block.data(), 64, nullptr), 0u);
    EXPECT_EQ(block[16], 84) << "served up to the block's end";
}

TEST(StandinServe, FaultsChangeTheReplyAndTheSizesAfterTheirStart) {
    static Served s;
    s.config = parse({"--reply", "2", "--rewrite-sizes", "4096", "--faults-after", "1"});
    initStandinState(&s.state, s.config);
    for (int batch = 0; batch < 2; ++batch) {
        std::vector<uint8_t> block(0x8000, 0);
        Packer p{block};
        p.read(0x0C48, 1);
        p.read(0x0C49, 1);
        p.end();
        uint32_t reply = standinServeBatch(&s.state, s.config, block.data(), 0x8000, nullptr);
        EXPECT_EQ(reply, batch == 0 ? 1u : 2u);
        EXPECT_EQ(get32(block, 8), batch == 0 ? 1u : 4096u);
        EXPECT_EQ(get32(block, 17 + 8), batch == 0 ? 1u : 4096u) << "every read's size";
    }
}

TEST(StandinOptions, BadOptionsAreRefused) {
    const std::vector<std::vector<std::string>> bad = {
        {"--set"},
        {"--set", "loc"},
        {"--set", "loc=128"},
        {"--set", "loc=-129"},
        {"--set", "obs=65536"},
        {"--set", "nosuch=1"},
        {"--set", "0x10000:1=0"},
        {"--set", "0xFFFF:2=0"},
        {"--set", "0x100:3=0"},
        {"--reply", "x"},
        {"--reply", "-1"},
        {"--exit-after", "0"},
        {"--sim-type", "0x10000"},
        {"--class", ""},
        {"--timeline", "/nonexistent/timeline.txt"},
        {"--bogus"},
    };
    for (const auto& args : bad) {
        SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
        parse(args, StandinParse::Error);
    }
    parse({"--help"}, StandinParse::Help);
    StandinConfig c = parse({"--fs98", "--sim-type", "8", "--reject-version", "--set", "loc=-128"});
    EXPECT_STREQ(c.className, "FS98MAIN");
    EXPECT_EQ(c.simulatorWord, 0xFADE0008u);
    EXPECT_EQ(c.serverVersion, 0x19980004u);
    EXPECT_EQ(parse({"--wrong-type"}).simulatorWord, 0xFADF0001u);
}

std::string writeFile(const char* text) {
    char name[L_tmpnam + 32];
    std::snprintf(name, sizeof name, "standin-timeline-%d.txt", std::rand());
    FILE* f = std::fopen(name, "w");
    std::fputs(text, f);
    std::fclose(f);
    return name;
}

TEST(StandinTimeline, ChangesApplyFromTheirTimeAndRepeat) {
    std::string path = writeFile("# approach in three steps\n"
                                 "0   loc=-100 obs=90\n"
                                 "1.5 loc=0 lights=0x20   # on course\n"
                                 "\n"
                                 "3   0x0C4B:1=2\n"
                                 "repeat 4\n");
    static Served s;
    s.config = parse({"--timeline", path, "--set", "tofrom=1"});
    std::remove(path.c_str());
    ASSERT_EQ(s.config.mode, StandinMode::Timeline);
    initStandinState(&s.state, s.config);
    struct Expect {
        double t;
        int8_t loc;
        uint16_t lights;
        uint8_t toFrom;
    };
    for (const Expect& e :
         {Expect{0.1, -100, 0, 1}, Expect{1.6, 0, 0x20, 1}, Expect{3.2, 0, 0x20, 2},
          Expect{4.2, -100, 0, 1}, Expect{7.5, 0, 0x20, 2}}) {
        SCOPED_TRACE(e.t);
        updateStandinValues(&s.state, s.config, e.t);
        EXPECT_EQ(static_cast<int8_t>(s.state.values[0x0C48]), e.loc);
        EXPECT_EQ(s.state.values[0x0D0C] | s.state.values[0x0D0D] << 8, e.lights);
        EXPECT_EQ(s.state.values[0x0C4B], e.toFrom);
        EXPECT_EQ(s.state.values[0x0C4E], 90);
    }
}

TEST(StandinTimeline, TheShippedExampleLoads) {
    StandinConfig config;
    EXPECT_TRUE(loadStandinTimeline(STANDIN_TIMELINE_EXAMPLE, &config, stderr));
    EXPECT_EQ(config.repeatPeriod, 26.0);
    EXPECT_GT(config.timeline.size(), 10u);
}

TEST(StandinTimeline, AFaultyFileNamesItsLine) {
    const char* bad[] = {"0 loc=1\n1 loc=300\n", "2 loc=1\n1 loc=2\n", "x loc=1\n", "0\n",
                         "5 loc=1\nrepeat 2\n",  "0 loc=1\nrepeat\n"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        std::string path = writeFile(text);
        StandinConfig config;
        FILE* err = std::tmpfile();
        EXPECT_FALSE(loadStandinTimeline(path.c_str(), &config, err));
        std::rewind(err);
        char message[300] = {};
        EXPECT_NE(std::fgets(message, sizeof message, err), nullptr);
        EXPECT_NE(std::string(message).find(path), std::string::npos) << message;
        std::fclose(err);
        std::remove(path.c_str());
    }
}

TEST(StandinApproach, MovesSmoothlyThroughEveryIndicationAndLoops) {
    int8_t toFrom, loc, gs;
    uint16_t obs, lights;
    uint8_t gsFlag;
    approachValues(0, &toFrom, &loc, &obs, &gsFlag, &gs, &lights);
    int8_t lastLoc = loc, lastGs = gs;
    uint16_t lastObs = obs;
    bool seenToFrom[3] = {}, seenGsFlag[2] = {}, seenPanel[2] = {};
    int obsChanges = 0, gsFlagChanges = 0;
    uint8_t lastGsFlag = gsFlag;
    for (double t = 0.005; t <= 60.0; t += 0.005) {
        approachValues(t, &toFrom, &loc, &obs, &gsFlag, &gs, &lights);
        ASSERT_LE(toFrom, 2);
        seenToFrom[toFrom] = true;
        seenGsFlag[gsFlag] = true;
        seenPanel[(lights & 0x20) ? 1 : 0] = true;
        // A step of 5 ms never jumps a needle by more than a few units.
        EXPECT_LE(std::abs(loc - lastLoc), 4) << "t=" << t;
        EXPECT_LE(std::abs(gs - lastGs), 4) << "t=" << t;
        int turn = std::abs(obs - lastObs);
        EXPECT_LE(std::min(turn, 360 - turn), 2) << "t=" << t;
        EXPECT_LT(obs, 360);
        obsChanges += obs != lastObs;
        gsFlagChanges += gsFlag != lastGsFlag;
        lastLoc = loc;
        lastGs = gs;
        lastObs = obs;
        lastGsFlag = gsFlag;
    }
    EXPECT_TRUE(seenToFrom[0] && seenToFrom[1] && seenToFrom[2]);
    EXPECT_TRUE(seenGsFlag[0] && seenGsFlag[1]);
    EXPECT_TRUE(seenPanel[0] && seenPanel[1]);
    EXPECT_GT(obsChanges, 50);
    EXPECT_GE(gsFlagChanges, 4) << "valid, lost, regained, gone, and back for the next loop";
    int8_t a, b, c2, d2;
    uint16_t o1, o2, l1, l2;
    uint8_t f1, f2;
    approachValues(12.345, &a, &b, &o1, &f1, &c2, &l1);
    approachValues(72.345, &d2, &d2, &o2, &f2, &d2, &l2);
    EXPECT_EQ(o1, o2);
    EXPECT_EQ(f1, f2);
    EXPECT_EQ(l1, l2);
}

} // namespace
