// sim_ipc_client.cpp - SimIpcClient: open with handshake, queue, round trip,
// copy-back, close.
//
// The block is shared with another process, so nothing read back from it is
// trusted: header fields are assembled from bytes (any host, any alignment),
// and the copy-back walk follows the client's own queue, never the sizes or
// addresses found in the block.
#include "simlink/sim_ipc_client.h"

#include <cstdio>
#include <cstring>

namespace SimIpcClient {

ClientState state;

namespace {

const char* const PrimaryClass = "UIPCMAIN";
const char* const FallbackClass = "FS98MAIN";
const char* const MessageName = "FsasmLib:IPC";

constexpr uint32_t SendAttempts = 9;
constexpr uint32_t SendTimeoutMilliseconds = 2000;
constexpr uint32_t RetryPauseMilliseconds = 100;
constexpr uint32_t HandshakeAttempts = 5;
constexpr uint32_t HandshakePauseMilliseconds = 100;

constexpr uint32_t OffsetServerVersion = 0x3304;
constexpr uint32_t OffsetSimulatorVersion = 0x3308;
constexpr uint32_t OffsetClientVersion = 0x330A;
constexpr uint32_t LowestServerVersion = 0x19980005;
constexpr uint32_t SimulatorMarkMask = 0xFFFF0000;
constexpr uint32_t SimulatorMark = 0xFADE0000;

constexpr uint32_t ReadHeaderSize = 16;
constexpr uint32_t WriteHeaderSize = 12;

void putU32(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
    at[2] = static_cast<uint8_t>(value >> 16);
    at[3] = static_cast<uint8_t>(value >> 24);
}

uint32_t getU32(const uint8_t* at) {
    uint8_t b[4];
    std::memcpy(b, at, 4);
    return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

uint32_t usedBytes() {
    return static_cast<uint32_t>(state.cursor - state.block);
}

// Every record, a write too, is held to the read's 16-byte bound. Summed in
// 64 bits: a size near 2^32 must not wrap round into "fits". While that bound
// holds the notes can never run out; the second test only guards the array.
bool fits(uint32_t size) {
    return uint64_t{usedBytes()} + size + ReadHeaderSize <= QueueLimit &&
           state.queuedCount < MaxQueuedRecords;
}

void note(uint32_t command, uint32_t size, void* destination) {
    QueuedRecord& r = state.queued[state.queuedCount++];
    r.place = usedBytes();
    r.command = command;
    r.size = size;
    r.destination = destination;
}

bool fail(uint32_t* result, uint32_t code) {
    *result = code;
    return false;
}

bool failOpen(uint32_t* result, uint32_t code) {
    close();
    return fail(result, code);
}

// The server leaves command and size as written; a record where either moved
// is treated as the end of the batch, and nothing behind it is copied.
void copyBack(uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        const QueuedRecord& r = state.queued[i];
        uint8_t* at = state.block + r.place;
        if (getU32(at) != r.command || getU32(at + 8) != r.size) {
            putU32(at, CommandEnd);
            return;
        }
        if (r.command == CommandRead && r.destination && r.size != 0) {
            std::memcpy(r.destination, at + ReadHeaderSize, r.size);
        }
    }
}

} // namespace

bool open(uint32_t requestedSimulator, uint32_t* result) {
    if (state.block) {
        return fail(result, AlreadyOpen);
    }
    state.serverVersion = 0;
    state.simulatorVersion = 0;

    bool fallback = false;
    state.serverWindow = ipcFindWindow(PrimaryClass);
    if (!state.serverWindow) {
        state.serverWindow = ipcFindWindow(FallbackClass);
        fallback = true;
        if (!state.serverWindow) {
            return fail(result, NoServerWindow);
        }
    }
    state.messageId = ipcRegisterMessage(MessageName);
    if (state.messageId == 0) {
        return fail(result, MessageNotRegistered);
    }

    // Never reused in this process: a server still holding an old block by
    // name cannot be confused with the new one.
    ++state.openCount;
    char name[64];
    std::snprintf(name, sizeof name, "FsasmLib:IPC:%X:%X", static_cast<unsigned>(ipcProcessId()),
                  static_cast<unsigned>(state.openCount));

    state.atom = ipcAddAtom(name);
    if (state.atom == 0) {
        return failOpen(result, AtomNotAdded);
    }
    // A block of that name that exists already belongs to someone else: never
    // joined, but its handle is ours to close.
    state.mapping = ipcCreateMapping(name, BlockSize);
    uint32_t mappingError = ipcLastError();
    if (!state.mapping || mappingError == IpcErrorAlreadyExists) {
        return failOpen(result, MappingNotCreated);
    }
    state.block = static_cast<uint8_t*>(ipcMapView(state.mapping));
    if (!state.block) {
        return failOpen(result, ViewNotMapped);
    }
    state.cursor = state.block;
    state.queuedCount = 0;

    // ClientVersion as the protocol's little-endian bytes, whatever the host.
    const uint8_t clientVersion[2] = {static_cast<uint8_t>(ClientVersion & 0xFF),
                                      static_cast<uint8_t>(ClientVersion >> 8)};
    for (uint32_t attempt = 1; attempt <= HandshakeAttempts; ++attempt) {
        if (state.serverVersion != 0 && state.simulatorVersion != 0) {
            break;
        }
        if (!read(OffsetServerVersion, 4, &state.serverVersion, result) ||
            !read(OffsetSimulatorVersion, 4, &state.simulatorVersion, result) ||
            (attempt == 1 && !write(OffsetClientVersion, 2, clientVersion, result))) {
            return failOpen(result, *result);
        }
        if (!process(result)) {
            return failOpen(result, *result);
        }
        ipcSleep(HandshakePauseMilliseconds);
    }

    if (state.serverVersion < LowestServerVersion ||
        (state.simulatorVersion & SimulatorMarkMask) != SimulatorMark) {
        return failOpen(result, fallback ? VersionRejectedFallback : VersionRejected);
    }
    state.simulatorVersion &= 0xFFFF;
    if (requestedSimulator != 0 && requestedSimulator != state.simulatorVersion) {
        return failOpen(result, WrongSimulator);
    }
    *result = Ok;
    return true;
}

void close() {
    state.serverWindow = 0;
    state.messageId = 0;
    if (state.atom) {
        ipcDeleteAtom(state.atom);
        state.atom = 0;
    }
    if (state.block) {
        ipcUnmapView(state.block);
        state.block = nullptr;
    }
    if (state.mapping) {
        ipcCloseMapping(state.mapping);
        state.mapping = 0;
    }
}

bool read(uint32_t offset, uint32_t size, void* destination, uint32_t* result) {
    if (!state.block) {
        return fail(result, NotOpen);
    }
    if (!fits(size)) {
        return fail(result, BlockFull);
    }
    note(CommandRead, size, destination);
    uint8_t* at = state.cursor;
    putU32(at, CommandRead);
    putU32(at + 4, offset);
    putU32(at + 8, size);
    // The wire field is 32 bits wide: wider addresses keep only their low
    // half here, and the copy-back uses the full one from the queue.
    putU32(at + 12, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(destination)));
    std::memset(at + ReadHeaderSize, 0, size);
    state.cursor = at + ReadHeaderSize + size;
    *result = Ok;
    return true;
}

bool write(uint32_t offset, uint32_t size, const void* source, uint32_t* result) {
    if (!state.block) {
        return fail(result, NotOpen);
    }
    if (!fits(size)) {
        return fail(result, BlockFull);
    }
    note(CommandWrite, size, nullptr);
    uint8_t* at = state.cursor;
    putU32(at, CommandWrite);
    putU32(at + 4, offset);
    putU32(at + 8, size);
    if (size != 0) {
        std::memcpy(at + WriteHeaderSize, source, size);
    }
    state.cursor = at + WriteHeaderSize + size;
    *result = Ok;
    return true;
}

bool process(uint32_t* result) {
    if (!state.block) {
        return fail(result, NotOpen);
    }
    if (state.cursor == state.block) {
        return fail(result, NothingQueued);
    }
    // From here the queue is empty whatever the outcome; the notes of the
    // records stay in place for the walk below.
    putU32(state.cursor, CommandEnd);
    state.cursor = state.block;
    uint32_t queued = state.queuedCount;
    state.queuedCount = 0;

    uint32_t reply = 0;
    bool served = false;
    for (uint32_t send = 0; send < SendAttempts && !served; ++send) {
        served = ipcSendMessageTimeout(state.serverWindow, state.messageId, state.atom, 0,
                                       SendTimeoutMilliseconds, &reply);
        if (!served) {
            ipcSleep(RetryPauseMilliseconds);
        }
    }
    if (!served) {
        return fail(result, ipcLastError() != 0 ? SendFailed : SendTimedOut);
    }
    if (reply != 1) {
        return fail(result, BadReply);
    }
    copyBack(queued);
    *result = Ok;
    return true;
}

} // namespace SimIpcClient
