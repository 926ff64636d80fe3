// ipc_posix_shared.cpp - directory, names and small helpers of the native IPC
// layer, used by its client calls and its server side alike.
#include "simlink/posix/ipc_posix_shared.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Keeps letters, digits, '.', '-' and '_' and writes every other byte as
// "+XX", so that distinct names never share a file name.
bool escapeName(const char* name, bool upperCase, char* out, size_t capacity) {
    size_t n = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
        unsigned char c = *p;
        bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                     c == '.' || c == '-' || c == '_';
        if (plain) {
            if (n + 1 >= capacity) {
                return false;
            }
            out[n++] = (upperCase && c >= 'a' && c <= 'z') ? static_cast<char>(c - 32)
                                                           : static_cast<char>(c);
        } else {
            if (n + 3 >= capacity) {
                return false;
            }
            std::snprintf(out + n, 4, "+%02X", c);
            n += 3;
        }
    }
    if (n == 0 || n >= capacity) {
        return false;
    }
    out[n] = '\0';
    return true;
}

uint32_t fnv1a(const char* text) {
    uint32_t h = 2166136261u;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        h = (h ^ *p) * 16777619u;
    }
    return h;
}

} // namespace

namespace {
// The last directory that passed the checks; every round trip needs it.
thread_local char checkedDirectory[512];
} // namespace

bool ipcPosixDirectory(char* out, size_t capacity) {
    const char* isolated = std::getenv("VOR_IPC_DIR");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    int n;
    if (isolated && *isolated) {
        n = std::snprintf(out, capacity, "%s", isolated);
    } else if (runtime && *runtime == '/') {
        n = std::snprintf(out, capacity, "%s/vor-tavrin-ipc", runtime);
    } else {
        n = std::snprintf(out, capacity, "/tmp/vor-tavrin-ipc-%u", static_cast<unsigned>(getuid()));
    }
    if (n <= 0 || static_cast<size_t>(n) >= capacity) {
        return false;
    }
    if (std::strcmp(out, checkedDirectory) == 0) {
        return true;
    }
    if (mkdir(out, 0700) != 0 && errno != EEXIST) {
        return false;
    }
    // In a shared /tmp another user could have made the directory first:
    // never use one that others can write into or swap for a link.
    struct stat st;
    if (lstat(out, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
        (st.st_mode & 0077) != 0) {
        return false;
    }
    if (static_cast<size_t>(n) < sizeof checkedDirectory) {
        std::memcpy(checkedDirectory, out, static_cast<size_t>(n) + 1);
    }
    return true;
}

bool ipcPosixWindowPath(const char* className, char* out, size_t capacity) {
    if (!className || !*className) {
        return false;
    }
    char dir[sizeof(sockaddr_un::sun_path)];
    char escaped[sizeof(sockaddr_un::sun_path)];
    if (!ipcPosixDirectory(dir, sizeof dir) ||
        !escapeName(className, true, escaped, sizeof escaped)) {
        return false;
    }
    size_t limit =
        capacity < sizeof(sockaddr_un::sun_path) ? capacity : sizeof(sockaddr_un::sun_path);
    int n = std::snprintf(out, limit, "%s/w-%s", dir, escaped);
    return n > 0 && static_cast<size_t>(n) < limit;
}

bool ipcPosixMappingName(const char* name, char* out, size_t capacity) {
    if (!name || !*name) {
        return false;
    }
    char dir[512];
    char escaped[256];
    if (!ipcPosixDirectory(dir, sizeof dir) || !escapeName(name, false, escaped, sizeof escaped)) {
        return false;
    }
    // The directory's hash keeps isolated test directories apart here too.
    int n = std::snprintf(out, capacity, "/vor-tavrin-%08x-%s", fnv1a(dir), escaped);
    return n > 0 && static_cast<size_t>(n) < capacity && n <= 255;
}

bool ipcPosixProcessAlive(uint32_t pid) {
    if (pid == 0 || pid > 0x7FFFFFFF) {
        return false;
    }
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool ipcPosixWriteAll(int fd, const void* data, size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR) {
            continue;
        }
        if (w <= 0) {
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}
