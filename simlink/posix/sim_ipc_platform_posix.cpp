// sim_ipc_platform_posix.cpp - the calls of sim_ipc_platform.h for the native
// build, on the layer described in ipc_posix_shared.h; also the server's
// atom and mapping look-ups of ipc_posix_server.h, which share its tables.
//
// Handles are small numbers: a slot index and, for windows, a generation, so
// that a window handle found before its server went away fails with
// ERROR_INVALID_WINDOW_HANDLE, as a destroyed window's handle does, even when
// a new server owns the class by then. One lock guards the tables and is held
// for a whole send: a connection carries one request at a time.
//
// Limits: 8 window classes, 16 mappings and 16 views per process; atoms are
// owned by the process that added them (no reference count across processes).
#include "simlink/posix/ipc_posix_server.h"
#include "simlink/posix/ipc_posix_shared.h"
#include "simlink/sim_ipc_platform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int WindowSlots = 8;
constexpr int MappingSlots = 16;
constexpr int ViewSlots = 16;
constexpr uint32_t MaximumMappingSize = 1u << 30;

struct WindowSlot {
    char className[96];
    int socket; // -1 when not connected
    uint32_t generation;
    uint32_t sequence;
    uint8_t received[sizeof(IpcPosixReply)];
    size_t receivedBytes;
};

struct MappingSlot {
    bool used;
    bool creator;
    int fd;
    uint32_t size; // usable bytes; the trailer follows
    char shmName[256];
};

struct ViewSlot {
    void* address;
    size_t length;
};

struct PosixPlatformState {
    std::mutex lock;
    bool initialised;
    WindowSlot windows[WindowSlots];
    MappingSlot mappings[MappingSlots];
    ViewSlot views[ViewSlots];
    uint32_t tempCounter;
};

PosixPlatformState platform;
thread_local uint32_t lastError;

void initialiseLocked() {
    if (platform.initialised) {
        return;
    }
    for (WindowSlot& w : platform.windows) {
        w.socket = -1;
    }
    platform.initialised = true;
}

bool sameTextNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        if (x >= 'a' && x <= 'z') {
            x = static_cast<unsigned char>(x - 32);
        }
        if (y >= 'a' && y <= 'z') {
            y = static_cast<unsigned char>(y - 32);
        }
        if (x != y) {
            return false;
        }
        if (x == 0) {
            return true;
        }
    }
}

uint32_t hashNoCase(const char* text) {
    uint32_t h = 2166136261u;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        unsigned char c = (*p >= 'a' && *p <= 'z') ? static_cast<unsigned char>(*p - 32) : *p;
        h = (h ^ c) * 16777619u;
    }
    return h;
}

int64_t nowMilliseconds() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

void disconnect(WindowSlot& w) {
    if (w.socket >= 0) {
        close(w.socket);
    }
    w.socket = -1;
    w.receivedBytes = 0;
}

// Reads what has arrived without waiting. Replies that arrive now belong to
// requests that timed out earlier and are dropped. False when the server has
// hung up or sent something that is not a reply.
bool drainLateReplies(WindowSlot& w) {
    for (;;) {
        ssize_t n = recv(w.socket, w.received + w.receivedBytes,
                         sizeof w.received - w.receivedBytes, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        if (n <= 0) {
            return false;
        }
        w.receivedBytes += static_cast<size_t>(n);
        if (w.receivedBytes == sizeof w.received) {
            IpcPosixReply r;
            std::memcpy(&r, w.received, sizeof r);
            w.receivedBytes = 0;
            if (r.magic != IpcPosixReplyMagic) {
                return false;
            }
        }
    }
}

int connectTo(const char* path) {
    int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        return -1;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path);
    int r;
    do {
        r = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        close(s);
        return -1;
    }
    // Non-blocking from here on: every wait goes through poll with the send's
    // time-out, so a server that stops reading cannot block a send for ever.
    fcntl(s, F_SETFL, fcntl(s, F_GETFL) | O_NONBLOCK);
    return s;
}

IpcWindow windowHandle(int slot, uint32_t generation) {
    return (static_cast<IpcWindow>(generation) << 4) | static_cast<IpcWindow>(slot + 1);
}

WindowSlot* windowOf(IpcWindow handle) {
    int slot = static_cast<int>(handle & 0xF) - 1;
    if (slot < 0 || slot >= WindowSlots) {
        return nullptr;
    }
    WindowSlot& w = platform.windows[slot];
    if (w.socket < 0 || static_cast<uint32_t>(handle >> 4) != w.generation) {
        return nullptr;
    }
    return &w;
}

MappingSlot* mappingOf(IpcMapping handle) {
    if (handle == 0 || handle > MappingSlots) {
        return nullptr;
    }
    MappingSlot& m = platform.mappings[handle - 1];
    return m.used ? &m : nullptr;
}

// --- atoms ---------------------------------------------------------------

constexpr uint16_t FirstStringAtom = 0xC000;

bool atomPath(uint16_t atom, char* out, size_t capacity) {
    char dir[512];
    if (!ipcPosixDirectory(dir, sizeof dir)) {
        return false;
    }
    int n = std::snprintf(out, capacity, "%s/a-%04X", dir, atom);
    return n > 0 && static_cast<size_t>(n) < capacity;
}

// Reads "<pid> <text>"; false when missing or malformed.
bool readAtomFile(const char* path, uint32_t* owner, char* text, size_t capacity) {
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }
    char content[300];
    ssize_t n;
    do {
        n = read(fd, content, sizeof content - 1);
    } while (n < 0 && errno == EINTR);
    close(fd);
    if (n <= 0) {
        return false;
    }
    content[n] = '\0';
    char* space = std::strchr(content, ' ');
    if (!space || space == content || space[1] == '\0') {
        return false;
    }
    uint32_t pid = 0;
    for (char* p = content; p < space; ++p) {
        if (*p < '0' || *p > '9' || pid > 0x7FFFFFFF / 10) {
            return false;
        }
        pid = pid * 10 + static_cast<uint32_t>(*p - '0');
    }
    size_t length = std::strlen(space + 1);
    if (length + 1 > capacity) {
        return false;
    }
    std::memcpy(text, space + 1, length + 1);
    *owner = pid;
    return true;
}

// Writes a complete atom file under a temporary name; its path in tempPath.
bool writeTempAtomFile(const char* name, char* tempPath, size_t capacity) {
    char dir[512];
    if (!ipcPosixDirectory(dir, sizeof dir)) {
        return false;
    }
    int n = std::snprintf(tempPath, capacity, "%s/t-%u-%u", dir, static_cast<unsigned>(getpid()),
                          ++platform.tempCounter);
    if (n <= 0 || static_cast<size_t>(n) >= capacity) {
        return false;
    }
    int fd = open(tempPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return false;
    }
    char content[300];
    int length =
        std::snprintf(content, sizeof content, "%u %s", static_cast<unsigned>(getpid()), name);
    bool ok = length > 0 && static_cast<size_t>(length) < sizeof content &&
              ipcPosixWriteAll(fd, content, static_cast<size_t>(length));
    close(fd);
    if (!ok) {
        unlink(tempPath);
    }
    return ok;
}

// --- mappings --------------------------------------------------------------

bool readTrailer(int fd, IpcPosixMappingTrailer* trailer) {
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_size < static_cast<off_t>(sizeof *trailer)) {
        return false;
    }
    if (pread(fd, trailer, sizeof *trailer, st.st_size - static_cast<off_t>(sizeof *trailer)) !=
        static_cast<ssize_t>(sizeof *trailer)) {
        return false;
    }
    return trailer->magic == IpcPosixMappingMagic &&
           static_cast<off_t>(trailer->size) + static_cast<off_t>(sizeof *trailer) == st.st_size;
}

IpcMapping storeMapping(int fd, uint32_t size, bool creator, const char* shmName) {
    for (int i = 0; i < MappingSlots; ++i) {
        MappingSlot& m = platform.mappings[i];
        if (!m.used) {
            m.used = true;
            m.creator = creator;
            m.fd = fd;
            m.size = size;
            std::snprintf(m.shmName, sizeof m.shmName, "%s", shmName);
            return static_cast<IpcMapping>(i + 1);
        }
    }
    return 0;
}

uint32_t errnoToWin32(int e) {
    switch (e) {
    case EACCES:
    case EPERM:
        return IpcErrorAccessDenied;
    case ENOMEM:
    case ENOSPC:
    case EMFILE:
    case ENFILE:
        return IpcErrorNotEnoughMemory;
    default:
        return IpcErrorInvalidParameter;
    }
}

// Removes what killed processes left behind: atom files and unfinished temp
// files of dead owners in the directory, and shared memory of dead creators
// under this directory's prefix. Run at every add of an atom, that is once
// per link opened, so leftovers never pile up.
void sweepStaleLocked() {
    char dir[512];
    if (!ipcPosixDirectory(dir, sizeof dir)) {
        return;
    }
    if (DIR* d = opendir(dir)) {
        while (dirent* e = readdir(d)) {
            char path[800];
            std::snprintf(path, sizeof path, "%s/%s", dir, e->d_name);
            uint32_t owner = 0;
            char text[300];
            unsigned pid = 0, n = 0;
            if (std::strncmp(e->d_name, "a-", 2) == 0) {
                if (readAtomFile(path, &owner, text, sizeof text) && !ipcPosixProcessAlive(owner)) {
                    unlink(path);
                }
            } else if (std::sscanf(e->d_name, "t-%u-%u", &pid, &n) == 2 &&
                       !ipcPosixProcessAlive(pid)) {
                unlink(path);
            }
        }
        closedir(d);
    }
    // The prefix that ipcPosixMappingName gives this directory.
    char prefix[64];
    if (!ipcPosixMappingName("x", prefix, sizeof prefix)) {
        return;
    }
    size_t prefixLength = std::strlen(prefix) - 2; // without "/" and the trailing "x"
    if (DIR* d = opendir("/dev/shm")) {
        while (dirent* e = readdir(d)) {
            if (std::strncmp(e->d_name, prefix + 1, prefixLength) != 0) {
                continue;
            }
            char shmName[300];
            std::snprintf(shmName, sizeof shmName, "/%s", e->d_name);
            int fd = shm_open(shmName, O_RDWR | O_CLOEXEC, 0600);
            if (fd < 0) {
                continue;
            }
            IpcPosixMappingTrailer trailer{};
            bool stale = readTrailer(fd, &trailer) && !ipcPosixProcessAlive(trailer.ownerPid);
            close(fd);
            if (stale) {
                shm_unlink(shmName);
            }
        }
        closedir(d);
    }
}

} // namespace

IpcWindow ipcFindWindow(const char* className) {
    char path[sizeof(sockaddr_un::sun_path)];
    if (!className || std::strlen(className) >= sizeof(WindowSlot::className) ||
        !ipcPosixWindowPath(className, path, sizeof path)) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(platform.lock);
    initialiseLocked();
    int slot = -1;
    for (int i = 0; i < WindowSlots && slot < 0; ++i) {
        if (platform.windows[i].className[0] &&
            sameTextNoCase(platform.windows[i].className, className)) {
            slot = i;
        }
    }
    if (slot >= 0) {
        WindowSlot& w = platform.windows[slot];
        if (w.socket >= 0 && drainLateReplies(w)) {
            return windowHandle(slot, w.generation);
        }
        disconnect(w);
    } else {
        for (int i = 0; i < WindowSlots && slot < 0; ++i) {
            if (!platform.windows[i].className[0]) {
                slot = i;
            }
        }
        if (slot < 0) {
            return 0;
        }
    }
    // A connect both finds the server and proves it alive: a socket file left
    // by a killed server refuses it.
    int s = connectTo(path);
    if (s < 0) {
        return 0;
    }
    WindowSlot& w = platform.windows[slot];
    std::snprintf(w.className, sizeof w.className, "%s", className);
    w.socket = s;
    w.receivedBytes = 0;
    w.generation = (w.generation + 1) & 0x0FFFFFFF;
    if (w.generation == 0) {
        w.generation = 1;
    }
    return windowHandle(slot, w.generation);
}

uint32_t ipcRegisterMessage(const char* name) {
    if (!name || !*name) {
        lastError = IpcErrorInvalidParameter;
        return 0;
    }
    // Stable per name in every process, without case, in the range Windows
    // gives registered messages.
    return 0xC000u + hashNoCase(name) % 0x4000u;
}

uint32_t ipcProcessId() {
    return static_cast<uint32_t>(getpid());
}

uint16_t ipcAddAtom(const char* name) {
    size_t length = name ? std::strlen(name) : 0;
    if (length == 0 || length > 255) {
        lastError = IpcErrorInvalidParameter;
        return 0;
    }
    // "#1234" is an integer atom, as on Windows: no table entry.
    if (name[0] == '#' && length > 1) {
        uint32_t value = 0;
        bool digits = true;
        for (const char* p = name + 1; *p && digits; ++p) {
            digits = *p >= '0' && *p <= '9' && value < 0x10000;
            value = value * 10 + static_cast<uint32_t>(*p - '0');
        }
        if (digits) {
            if (value == 0 || value >= FirstStringAtom) {
                lastError = IpcErrorInvalidParameter;
                return 0;
            }
            return static_cast<uint16_t>(value);
        }
    }
    std::lock_guard<std::mutex> guard(platform.lock);
    initialiseLocked();
    sweepStaleLocked();
    char temp[600];
    if (!writeTempAtomFile(name, temp, sizeof temp)) {
        lastError = IpcErrorAccessDenied;
        return 0;
    }
    uint32_t start = hashNoCase(name) % 0x4000u;
    uint32_t reclaimed = 0;
    for (uint32_t i = 0; i < 0x4000u;) {
        uint16_t atom = static_cast<uint16_t>(FirstStringAtom + (start + i) % 0x4000u);
        char path[600];
        if (!atomPath(atom, path, sizeof path)) {
            break;
        }
        // link() puts the complete file in place or fails: a reader never
        // sees a half-written atom.
        if (link(temp, path) == 0) {
            unlink(temp);
            return atom;
        }
        if (errno != EEXIST) {
            break;
        }
        uint32_t owner = 0;
        char text[300];
        bool readable = readAtomFile(path, &owner, text, sizeof text);
        bool live = readable && ipcPosixProcessAlive(owner);
        if (readable && sameTextNoCase(text, name)) {
            if (!live && rename(temp, path) != 0) {
                break;
            }
            unlink(temp);
            return atom;
        }
        if (!live && reclaimed < 64) {
            // Left by a process that died without deleting it.
            unlink(path);
            ++reclaimed;
            continue;
        }
        ++i;
    }
    unlink(temp);
    lastError = IpcErrorNotEnoughMemory;
    return 0;
}

void ipcDeleteAtom(uint16_t atom) {
    if (atom < FirstStringAtom) {
        return;
    }
    std::lock_guard<std::mutex> guard(platform.lock);
    char path[600];
    uint32_t owner = 0;
    char text[300];
    if (atomPath(atom, path, sizeof path) && readAtomFile(path, &owner, text, sizeof text) &&
        owner == static_cast<uint32_t>(getpid())) {
        unlink(path);
    }
}

uint32_t ipcGetAtomName(uint16_t atom, char* buffer, uint32_t capacity) {
    if (atom < FirstStringAtom || !buffer || capacity == 0) {
        return 0;
    }
    char path[600];
    uint32_t owner = 0;
    char text[300];
    if (!atomPath(atom, path, sizeof path) || !readAtomFile(path, &owner, text, sizeof text)) {
        return 0;
    }
    size_t length = std::strlen(text);
    if (length + 1 > capacity) {
        return 0;
    }
    std::memcpy(buffer, text, length + 1);
    return static_cast<uint32_t>(length);
}

IpcMapping ipcCreateMapping(const char* name, uint32_t size) {
    char shmName[256];
    if (size == 0 || size > MaximumMappingSize ||
        !ipcPosixMappingName(name, shmName, sizeof shmName)) {
        lastError = IpcErrorInvalidParameter;
        return 0;
    }
    std::lock_guard<std::mutex> guard(platform.lock);
    initialiseLocked();
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = shm_open(shmName, O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0) {
            IpcPosixMappingTrailer trailer{IpcPosixMappingMagic, static_cast<uint32_t>(getpid()),
                                           size, 0};
            if (ftruncate(fd, static_cast<off_t>(size) + static_cast<off_t>(sizeof trailer)) != 0 ||
                pwrite(fd, &trailer, sizeof trailer, size) !=
                    static_cast<ssize_t>(sizeof trailer)) {
                uint32_t e = errnoToWin32(errno);
                close(fd);
                shm_unlink(shmName);
                lastError = e;
                return 0;
            }
            IpcMapping handle = storeMapping(fd, size, true, shmName);
            if (!handle) {
                close(fd);
                shm_unlink(shmName);
                lastError = IpcErrorNotEnoughMemory;
                return 0;
            }
            lastError = 0;
            return handle;
        }
        if (errno != EEXIST) {
            lastError = errnoToWin32(errno);
            return 0;
        }
        fd = shm_open(shmName, O_RDWR | O_CLOEXEC, 0600);
        if (fd < 0) {
            continue; // removed meanwhile: create it anew
        }
        IpcPosixMappingTrailer trailer{};
        bool complete = readTrailer(fd, &trailer);
        if (complete && !ipcPosixProcessAlive(trailer.ownerPid)) {
            // Its creator died without closing it: on Windows the object would
            // have gone with the creator's last handle.
            close(fd);
            shm_unlink(shmName);
            continue;
        }
        // An existing mapping: a handle to it, and ERROR_ALREADY_EXISTS.
        // One still being set up by its creator counts as existing too.
        uint32_t existingSize = complete ? trailer.size : 0;
        IpcMapping handle = storeMapping(fd, existingSize, false, shmName);
        if (!handle) {
            close(fd);
            lastError = IpcErrorNotEnoughMemory;
            return 0;
        }
        lastError = IpcErrorAlreadyExists;
        return handle;
    }
    lastError = IpcErrorAccessDenied;
    return 0;
}

IpcMapping ipcOpenMapping(const char* name) {
    char shmName[256];
    if (!ipcPosixMappingName(name, shmName, sizeof shmName)) {
        lastError = IpcErrorInvalidParameter;
        return 0;
    }
    std::lock_guard<std::mutex> guard(platform.lock);
    initialiseLocked();
    int fd = shm_open(shmName, O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        lastError = 2; // ERROR_FILE_NOT_FOUND
        return 0;
    }
    IpcPosixMappingTrailer trailer{};
    if (!readTrailer(fd, &trailer)) {
        close(fd);
        lastError = 2;
        return 0;
    }
    IpcMapping handle = storeMapping(fd, trailer.size, false, shmName);
    if (!handle) {
        close(fd);
        lastError = IpcErrorNotEnoughMemory;
    }
    return handle;
}

uint32_t ipcMappingSize(IpcMapping mapping) {
    std::lock_guard<std::mutex> guard(platform.lock);
    MappingSlot* m = mappingOf(mapping);
    return m ? m->size : 0;
}

void* ipcMapView(IpcMapping mapping) {
    std::lock_guard<std::mutex> guard(platform.lock);
    MappingSlot* m = mappingOf(mapping);
    if (!m || m->size == 0) {
        lastError = IpcErrorInvalidParameter;
        return nullptr;
    }
    for (ViewSlot& v : platform.views) {
        if (!v.address) {
            void* address = mmap(nullptr, m->size, PROT_READ | PROT_WRITE, MAP_SHARED, m->fd, 0);
            if (address == MAP_FAILED) {
                lastError = errnoToWin32(errno);
                return nullptr;
            }
            v.address = address;
            v.length = m->size;
            return address;
        }
    }
    lastError = IpcErrorNotEnoughMemory;
    return nullptr;
}

void ipcUnmapView(void* view) {
    std::lock_guard<std::mutex> guard(platform.lock);
    for (ViewSlot& v : platform.views) {
        if (view && v.address == view) {
            munmap(v.address, v.length);
            v.address = nullptr;
            v.length = 0;
            return;
        }
    }
}

void ipcCloseMapping(IpcMapping mapping) {
    std::lock_guard<std::mutex> guard(platform.lock);
    MappingSlot* m = mappingOf(mapping);
    if (!m) {
        return;
    }
    close(m->fd);
    // The name goes with its creator's handle; views still mapped elsewhere,
    // such as the server's, stay valid until they are unmapped.
    if (m->creator) {
        shm_unlink(m->shmName);
    }
    *m = MappingSlot{};
}

bool ipcSendMessageTimeout(IpcWindow window, uint32_t message, uintptr_t firstParam,
                           intptr_t secondParam, uint32_t timeoutMilliseconds, uint32_t* reply) {
    std::lock_guard<std::mutex> guard(platform.lock);
    initialiseLocked();
    WindowSlot* w = windowOf(window);
    if (!w) {
        lastError = IpcErrorInvalidWindowHandle;
        return false;
    }
    if (!drainLateReplies(*w)) {
        disconnect(*w);
        lastError = IpcErrorInvalidWindowHandle;
        return false;
    }
    IpcPosixRequest request{IpcPosixRequestMagic,
                            ++w->sequence,
                            message,
                            0,
                            static_cast<uint64_t>(firstParam),
                            static_cast<int64_t>(secondParam)};
    int64_t deadline = nowMilliseconds() + timeoutMilliseconds;
    const char* out = reinterpret_cast<const char*>(&request);
    size_t outLeft = sizeof request;
    bool mayWrite = true; // try at once; poll only when the socket is full
    for (;;) {
        if (outLeft && mayWrite) {
            ssize_t n = send(w->socket, out, outLeft, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                mayWrite = false;
            } else if (n <= 0) {
                disconnect(*w);
                lastError = IpcErrorInvalidWindowHandle;
                return false;
            } else {
                out += n;
                outLeft -= static_cast<size_t>(n);
                continue;
            }
        }
        int64_t left = deadline - nowMilliseconds();
        left = left < 0 ? 0 : (left > 0x7FFFFFFF ? 0x7FFFFFFF : left);
        pollfd p{w->socket, static_cast<short>(outLeft ? POLLOUT : POLLIN), 0};
        int ready = poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            disconnect(*w);
            lastError = IpcErrorInvalidWindowHandle;
            return false;
        }
        if (ready == 0) {
            // Timed out as SendMessageTimeout does: no error code. A request
            // sent only in part cannot be finished later, so that connection
            // is given up.
            if (outLeft != 0 && outLeft != sizeof request) {
                disconnect(*w);
            }
            lastError = 0;
            return false;
        }
        if (outLeft) {
            mayWrite = true;
            continue;
        }
        ssize_t n = recv(w->socket, w->received + w->receivedBytes,
                         sizeof w->received - w->receivedBytes, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
            continue;
        }
        if (n <= 0) {
            // The server died or closed the connection, before or during the
            // request: its window is gone.
            disconnect(*w);
            lastError = IpcErrorInvalidWindowHandle;
            return false;
        }
        w->receivedBytes += static_cast<size_t>(n);
        if (w->receivedBytes < sizeof w->received) {
            continue;
        }
        IpcPosixReply r;
        std::memcpy(&r, w->received, sizeof r);
        w->receivedBytes = 0;
        if (r.magic != IpcPosixReplyMagic) {
            disconnect(*w);
            lastError = IpcErrorInvalidWindowHandle;
            return false;
        }
        if (r.sequence != request.sequence) {
            continue; // the late answer to an earlier, timed-out request
        }
        if (reply) {
            // The reply is 32 bits wide: a wider result must not pass for a
            // small one by losing its upper half.
            *reply = r.result > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(r.result);
        }
        return true;
    }
}

uint32_t ipcLastError() {
    return lastError;
}

void ipcSleep(uint32_t milliseconds) {
    timespec left{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}
