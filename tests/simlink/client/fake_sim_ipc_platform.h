// fake_sim_ipc_platform.h - an in-process stand-in for sim_ipc_platform.h.
//
// A window table, an atom table and named mappings (each block a malloc'd
// allocation of exactly its size, so that AddressSanitizer catches any walk
// past it), and a send that serves the block at once by a scripted server:
// simulator offsets in a 64 KiB table, chosen failures, last-error values,
// reply values and a hook that may rewrite the block after serving.
//
// Thread-safe: every call takes the fake's own lock, and tests change the
// script through fakeServer() under fakeLock(). The state is never freed, so
// threads still running at process exit find it intact.
#pragma once

#include "simlink/sim_ipc_platform.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

constexpr IpcWindow FakePrimaryWindow = 0x1001;  // class "UIPCMAIN"
constexpr IpcWindow FakeFallbackWindow = 0x1002; // class "FS98MAIN"
constexpr uint32_t FakeMessageId = 0xC0DE;
constexpr uint32_t FakeInvalidWindowError = 1400; // ERROR_INVALID_WINDOW_HANDLE

// One record as the server found it in the block before serving it.
struct FakeServedRecord {
    uint32_t place;
    uint32_t command;
    uint32_t offset;
    uint32_t size;
    uint32_t destinationField; // reads only
    std::vector<uint8_t> data; // writes only
};

struct FakeMappingObject {
    std::string name;
    uint8_t* memory;
    uint32_t size;
    int handles;
    int views;
};

struct FakeServer {
    // The script.
    bool primaryWindow;
    bool fallbackWindow;
    uint32_t processId;
    bool registerFails;
    bool atomFails;
    bool mappingFails;
    bool viewFails;
    uint32_t sendFailures;   // sends that fail before the server answers again
    bool sendAlwaysFails;    // the window does not answer or has gone
    uint32_t sendErrorValue; // last error after a failed send
    uint32_t replyValue;
    bool sleepForReal;
    bool keepHistory; // batches and lastBlockBeforeServe
    uint8_t offsets[0x10000];
    std::function<void(uint8_t* block, uint32_t size)> afterServe;

    // What happened.
    uint32_t sends;
    uint32_t roundTrips; // sends that were served
    uint32_t sleeps;
    uint32_t sleptMilliseconds;
    uint32_t openAttempts; // FindWindow calls for "UIPCMAIN"
    uint32_t mapsMade;
    uint32_t unmapsMade;
    IpcWindow lastSendWindow;
    uint32_t lastSendMessage;
    uintptr_t lastSendFirstParam;
    intptr_t lastSendSecondParam;
    uint32_t lastSendTimeout;
    uint16_t clientVersionWritten; // writes to 0x330A land here, not in offsets
    std::string lastAtomName;
    std::vector<std::vector<FakeServedRecord>> batches; // one per round trip
    std::vector<uint8_t> lastBlockBeforeServe;          // up to the end marker

    // The tables.
    uint16_t nextAtom;
    std::map<uint16_t, std::string> atoms;
    IpcMapping nextMapping;
    std::map<IpcMapping, FakeMappingObject*> mappingHandles;
    std::vector<FakeMappingObject*> mappingObjects;
};

// Locked access to the fake; the caller holds fakeLock() while it uses it.
std::mutex& fakeLock();
FakeServer& fakeServer();

// Back to the default script (one "UIPCMAIN" window, an acceptable server of
// simulator type 1, instant sleeps, history kept); counters zeroed; the atom
// and mapping tables emptied, so close the client first.
void fakeReset();

// Little-endian helpers for the offset table.
void fakePut16(uint32_t offset, uint16_t value);
void fakePut32(uint32_t offset, uint32_t value);
uint16_t fakeGet16(uint32_t offset);

// A mapping created by someone else under this name (one handle held by it).
void fakePlantMapping(const std::string& name);
// Mapping objects alive, and those of them with the given name.
int fakeLiveMappings();
// The block of the live mapping object of this name, or null.
uint8_t* fakeBlockOf(const std::string& name);
