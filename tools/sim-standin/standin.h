// standin.h - the portable part of sim-standin, the program that plays the
// simulator's IPC server for VOR Tavrin: its options, its table of simulator
// offsets, the values it serves (fixed, a scripted ILS approach or a
// timeline file) and the serving of one batch of request records.
//
// The platform front ends (posix/, win32/) own the window class and the
// message loop, find the block by the atom's text and call standinServeBatch
// for each message. Everything here trusts nothing in the block: each record
// is checked against the block's bounds, from a private copy of its header,
// before any byte is read or written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

constexpr uint32_t StandinTableSize = 0x10000;
// Written handshake values land here, apart from the served table: 0x330A
// overlaps the served 0x3308, and a reconnecting client must still read the
// simulator word it read the first time.
constexpr uint32_t StandinHandshakeFirst = 0x3304;
constexpr uint32_t StandinHandshakeEnd = 0x330C;

enum class StandinMode { Fixed, Approach, Timeline };

struct StandinValue {
    uint32_t offset;
    uint32_t size; // 1, 2, 4 or 8
    int64_t value;
};

struct StandinTimelineEvent {
    double time; // seconds from the start (of each repetition)
    StandinValue value;
};

struct StandinConfig {
    char className[64];
    StandinMode mode;
    uint32_t serverVersion;    // served at 0x3304
    uint32_t simulatorWord;    // served at 0x3308: 0xFADE0000 | type
    uint32_t replyValue;       // 1 normally
    bool noAnswer;             // take messages, never answer
    uint32_t slowMilliseconds; // delay before each answer
    uint64_t exitAfter;        // exit after this many batches; 0: never
    bool rewriteSizes;         // overwrite each read record's size after serving
    uint32_t rewrittenSize;
    uint64_t faultsAfter; // the faults above begin after this many batches
    bool stats;           // print round trips per second
    bool trace;           // print block names, writes and batch layouts
    double seconds;       // run time limit; 0: none
    std::vector<StandinValue> fixed;
    std::vector<StandinTimelineEvent> timeline;
    double repeatPeriod; // timeline loops with this period; 0: holds at its end
};

struct StandinState {
    uint8_t values[StandinTableSize];
    uint8_t initialValues[StandinTableSize]; // as set up: a repeating timeline starts from it
    uint8_t handshakeWritten[StandinHandshakeEnd - StandinHandshakeFirst];
    uint64_t batches;
    uint64_t batchesAtLastReport;
    double lastReport;
    char lastLayout[256];
    char lastBlockName[300];
};

enum class StandinParse { Run, Help, Error };

// Fills config from the command line. Error: a message was printed to err.
StandinParse parseStandinArgs(int argc, char** argv, StandinConfig* config, FILE* err);
// Reads a timeline file into config (see the usage text for its format);
// false with a message naming the line on err.
bool loadStandinTimeline(const char* path, StandinConfig* config, FILE* err);
void printStandinUsage(FILE* out);

// Zeroes the state and stores the handshake and fixed values.
void initStandinState(StandinState* state, const StandinConfig& config);
// Brings the six instrument offsets to their values at time t (seconds since
// start) for the configured mode.
void updateStandinValues(StandinState* state, const StandinConfig& config, double t);
// The scripted approach's six values at time t; loops every 60 s.
void approachValues(double t, int8_t* toFrom, int8_t* locNeedle, uint16_t* obsDegrees,
                    uint8_t* gsFlag, int8_t* gsNeedle, uint16_t* lights);

// Serves the records in block[0, blockSize) up to the end marker and returns
// the reply for the message: the configured reply, or 0 when the block ran
// out or held an unknown command before the end marker (records before it
// are served). Traces to out when config.trace is set.
uint32_t standinServeBatch(StandinState* state, const StandinConfig& config, uint8_t* block,
                           uint32_t blockSize, FILE* out);
// True once the configured faults apply (after --faults-after batches).
bool standinFaultsActive(const StandinState& state, const StandinConfig& config);
// Traces a block name when it differs from the previous one.
void noteStandinBlock(StandinState* state, const StandinConfig& config, const char* name,
                      FILE* out);
// Once every 100 ms or so: prints the rate once a second when asked. False
// once the run time limit has passed.
bool tickStandin(StandinState* state, const StandinConfig& config, double t, FILE* out);
// Seconds on a monotonic clock.
double standinNow();
