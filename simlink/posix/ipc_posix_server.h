// ipc_posix_server.h - the server side of the native IPC layer (see
// ipc_posix_shared.h), for programs that play the simulator's IPC server.
//
//   IpcPosixServer server{};
//   ipcServerAnnounce(&server, "UIPCMAIN");           // the window class
//   while (ipcServerReceive(&server, 100, &message))   // one sent message
//       ipcServerReply(&server, message, 1);           // its result
//   ipcServerClose(&server);                           // removes the class
//
// The server finds the block of a message as the Windows one does: the atom's
// text by ipcGetAtomName, then ipcOpenMapping and ipcMapView. Single-threaded;
// at most IpcPosixServerConnections clients at once (more wait in the backlog).
#pragma once

#include "simlink/sim_ipc_platform.h"

#include <cstddef>
#include <cstdint>
#include <sys/un.h>

constexpr int IpcPosixServerConnections = 16;

struct IpcPosixServerConnection {
    int socket; // -1: free
    uint8_t pending[64];
    size_t pendingBytes;
};

struct IpcPosixServer {
    int listenSocket; // -1 or 0 before announce: none
    bool announced;
    char path[sizeof(sockaddr_un::sun_path)];
    IpcPosixServerConnection connections[IpcPosixServerConnections];
};

struct IpcPosixMessage {
    int connection; // index into IpcPosixServer::connections
    uint32_t sequence;
    uint32_t message;
    uint64_t firstParam;
    int64_t secondParam;
};

// Owns the window class: false when another live server owns it, or the
// socket cannot be made. A socket file of a dead server is replaced.
bool ipcServerAnnounce(IpcPosixServer* server, const char* className);
// Waits up to timeoutMilliseconds (-1: no limit) for the next request of any
// client, accepting new clients meanwhile. False on time-out, on a signal, or
// when the server is not announced. Clients that hang up or send garbage are
// dropped.
bool ipcServerReceive(IpcPosixServer* server, int timeoutMilliseconds, IpcPosixMessage* message);
// Answers one request; false when its client has gone.
bool ipcServerReply(IpcPosixServer* server, const IpcPosixMessage& message, uint64_t result);
// Drops every client and removes the class's socket file.
void ipcServerClose(IpcPosixServer* server);

// GlobalGetAtomNameA: the atom's text into buffer (NUL-terminated); its length,
// 0 when the atom is unknown or the buffer too small.
uint32_t ipcGetAtomName(uint16_t atom, char* buffer, uint32_t capacity);
// OpenFileMappingA: an existing mapping of the name, or 0.
IpcMapping ipcOpenMapping(const char* name);
// The number of usable bytes of a mapping (what its creator asked for).
uint32_t ipcMappingSize(IpcMapping mapping);
