// ipc_posix_shared.h - what both sides of the native IPC layer agree on.
//
// The native build has no window manager messages, atom table or named file
// mappings, so the layer in this folder builds its own with the same contract
// as the Win32 calls of sim_ipc_platform.h:
//
//   directory    one per user: $VOR_IPC_DIR if set (test isolation only: each
//                test gives its own, so parallel tests never see each other's
//                servers), else $XDG_RUNTIME_DIR/vor-tavrin-ipc, else
//                /tmp/vor-tavrin-ipc-<uid>. Created with mode 0700 and refused
//                when it is a symlink, not ours, or open to others.
//   windows      a server announces a window class as a Unix stream socket
//                "w-<CLASS>" in the directory (class names compare without
//                case, as on Windows). Finding the window connects to it, so a
//                socket file left by a killed server is never found.
//   messages     a request of 32 bytes (message, first and second parameter)
//                on that connection; the server answers with 16 bytes carrying
//                the request's sequence number and the result.
//   atoms        files "a-XXXX" (XXXX = C000..FFFF) created exclusively, each
//                holding "<owner pid> <text>"; an owner that has died leaves a
//                stale file that the next add reclaims.
//   mappings     POSIX shared memory "/vor-tavrin-<dir hash>-<escaped name>",
//                created with O_EXCL; a 16-byte trailer behind the block keeps
//                the creator's pid so that a killed creator's object is reclaimed
//                instead of being reported as existing for ever.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t IpcPosixRequestMagic = 0x51525456; // "VTRQ"
constexpr uint32_t IpcPosixReplyMagic = 0x50525456;   // "VTRP"
constexpr uint32_t IpcPosixMappingMagic = 0x4D535456; // "VTSM"

struct IpcPosixRequest {
    uint32_t magic;
    uint32_t sequence;
    uint32_t message;
    uint32_t reserved;
    uint64_t firstParam;
    int64_t secondParam;
};
static_assert(sizeof(IpcPosixRequest) == 32);

struct IpcPosixReply {
    uint32_t magic;
    uint32_t sequence;
    uint64_t result;
};
static_assert(sizeof(IpcPosixReply) == 16);

// Stored directly behind the mapping's usable bytes.
struct IpcPosixMappingTrailer {
    uint32_t magic;
    uint32_t ownerPid;
    uint32_t size;
    uint32_t reserved;
};
static_assert(sizeof(IpcPosixMappingTrailer) == 16);

// Win32 error numbers the layer reports through ipcLastError().
constexpr uint32_t IpcErrorInvalidParameter = 87;      // ERROR_INVALID_PARAMETER
constexpr uint32_t IpcErrorNotEnoughMemory = 8;        // ERROR_NOT_ENOUGH_MEMORY
constexpr uint32_t IpcErrorAccessDenied = 5;           // ERROR_ACCESS_DENIED
constexpr uint32_t IpcErrorInvalidWindowHandle = 1400; // ERROR_INVALID_WINDOW_HANDLE

// The per-user directory, created when missing; false when it cannot be made
// or is unsafe to use.
bool ipcPosixDirectory(char* out, size_t capacity);
// "<directory>/w-<CLASS>"; false when the class name is empty or the path too
// long for a socket address.
bool ipcPosixWindowPath(const char* className, char* out, size_t capacity);
// The shared-memory name of a mapping name; false when empty or too long.
bool ipcPosixMappingName(const char* name, char* out, size_t capacity);
// True when a process of that id exists.
bool ipcPosixProcessAlive(uint32_t pid);
// Writes all n bytes to a blocking descriptor (EINTR retried); false otherwise.
bool ipcPosixWriteAll(int fd, const void* data, size_t n);
