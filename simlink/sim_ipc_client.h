// sim_ipc_client.h - the client of the simulator's IPC server.
//
// One link per process. open() finds the server's window, creates the named
// 32 KiB shared block (its name held in a global atom) and runs the version
// handshake; read() and write() queue request records in the block; process()
// has the server serve the whole block in one synchronous round trip and
// copies each read's data to its destination; close() releases it all.
//
// Usage (the caller serialises every call; the client takes no lock):
//   uint32_t result = 0;
//   if (SimIpcClient::open(0, &result)) {
//       SimIpcClient::read(0x0C48, 1, &needle, &result);
//       if (!SimIpcClient::process(&result)) SimIpcClient::close();
//   }
//
// Limits: the records of one batch stay below QueueLimit bytes from the block's
// start. A destination must stay valid from its read() until the process()
// that serves it. The copy-back walk trusts only the client's own record of
// what it queued: a record that the server changed ends the walk there.
// Portable: the platform calls are those of sim_ipc_platform.h.
#pragma once

#include "simlink/sim_ipc_platform.h"

#include <cstdint>

namespace SimIpcClient {

enum SimIpcResult : uint32_t {
    Ok = 0,
    AlreadyOpen = 1,
    NoServerWindow = 2,
    MessageNotRegistered = 3,
    AtomNotAdded = 4,
    MappingNotCreated = 5,
    ViewNotMapped = 6,
    VersionRejected = 7,
    WrongSimulator = 8,
    NotOpen = 9,
    NothingQueued = 10,
    SendTimedOut = 11,
    SendFailed = 12,
    BadReply = 13,
    VersionRejectedFallback = 14,
    BlockFull = 15,
};

constexpr uint32_t BlockSize = 0x8000;
constexpr uint32_t QueueLimit = 0x7F00;
constexpr uint16_t ClientVersion = 2002;

// Every record reserves at least 16 bytes of QueueLimit (a write is held to
// the read's bound), so one batch never holds more records than this.
constexpr uint32_t MaxQueuedRecords = QueueLimit / 16;

constexpr uint32_t CommandEnd = 0;
constexpr uint32_t CommandRead = 1;
constexpr uint32_t CommandWrite = 2;

// The client's own note of one queued record: where it stands in the block,
// what it is, and (for a read) the full-width address its data goes to.
struct QueuedRecord {
    uint32_t place; // byte offset of the record from the block's start
    uint32_t command;
    uint32_t size;
    void* destination; // reads only; null for none
};

struct ClientState {
    IpcWindow serverWindow;
    uint32_t messageId;
    uint16_t atom;
    IpcMapping mapping;
    uint8_t* block;  // null: the link is closed
    uint8_t* cursor; // where the next record goes
    uint32_t openCount;
    uint32_t serverVersion;
    uint32_t simulatorVersion; // the simulator type once accepted
    uint32_t queuedCount;
    QueuedRecord queued[MaxQueuedRecords];
};

extern ClientState state;

bool open(uint32_t requestedSimulator, uint32_t* result);
void close();
bool read(uint32_t offset, uint32_t size, void* destination, uint32_t* result);
bool write(uint32_t offset, uint32_t size, const void* source, uint32_t* result);
bool process(uint32_t* result);

} // namespace SimIpcClient
