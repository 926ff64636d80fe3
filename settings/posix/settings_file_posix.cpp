// settings_file_posix.cpp - the settings file calls on POSIX: open/read,
// stat mode bits, and temp file + fsync + rename + directory fsync.
#include "settings/settings_file.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

bool (*beforeFileReplace)(const char* tempName) = nullptr;

namespace {

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string directoryOf(const char* name) {
    const char* slash = std::strrchr(name, '/');
    if (slash == nullptr) {
        return ".";
    }
    if (slash == name) {
        return "/";
    }
    return std::string(name, static_cast<size_t>(slash - name));
}

// The rename itself is only durable once the directory entry is on disk.
void syncDirectoryOf(const char* name) {
    int dir = ::open(directoryOf(name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace

bool readWholeFile(const char* name, FileBytes* out) {
    *out = FileBytes{};
    // O_NONBLOCK so that a FIFO named like the file cannot hang the start.
    int fd = ::open(name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        static_cast<unsigned long long>(st.st_size) > MaxSettingsFileSize) {
        ::close(fd);
        return false;
    }
    // Read no more than the size seen at the start: a file that grows while
    // it is read cannot push memory past what was checked above.
    size_t capacity = static_cast<size_t>(st.st_size);
    char* data = static_cast<char*>(std::malloc(capacity > 0 ? capacity : 1));
    if (data == nullptr) {
        ::close(fd);
        return false;
    }
    size_t size = 0;
    while (size < capacity) {
        ssize_t n = ::read(fd, data + size, capacity - size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            std::free(data);
            ::close(fd);
            return false;
        }
        if (n == 0) {
            break;
        }
        size += static_cast<size_t>(n);
    }
    ::close(fd);
    out->data = data;
    out->size = size;
    return true;
}

void releaseFileBytes(FileBytes* bytes) {
    std::free(bytes->data);
    *bytes = FileBytes{};
}

bool isFileReadOnly(const char* name) {
    struct stat st;
    if (::stat(name, &st) != 0) {
        return false;
    }
    mode_t writeBits = S_IWUSR | S_IWGRP | S_IWOTH;
    uid_t uid = ::geteuid();
    if (uid == 0) {
        // Root may write anything, so only a file with every write bit taken
        // away (chmod a-w) counts as marked read-only.
        return (st.st_mode & writeBits) == 0;
    }
    if (st.st_uid == uid) {
        return (st.st_mode & S_IWUSR) == 0;
    }
    if (st.st_gid == ::getegid()) {
        return (st.st_mode & S_IWGRP) == 0;
    }
    return (st.st_mode & S_IWOTH) == 0 || ::access(name, W_OK) != 0;
}

bool replaceFileAtomically(const char* name, const char* data, size_t size) {
    if (isFileReadOnly(name)) {
        return false;
    }
    // The replacement keeps the permissions the old file had; a new file
    // gets 0666 less the umask, as any created file would.
    mode_t mode = 0666;
    struct stat old;
    bool hadOld = ::stat(name, &old) == 0;
    if (hadOld) {
        if (S_ISDIR(old.st_mode)) {
            return false;
        }
        mode = old.st_mode & 0777;
    }

    // A name of our own per attempt, with the clock in it so that a file
    // left by a crashed run of a process with the same id is not in the
    // way; O_EXCL never reuses a file that exists or someone else opened.
    static unsigned counter = 0;
    const unsigned long long now = static_cast<unsigned long long>(
        std::chrono::system_clock::now().time_since_epoch().count());
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp.assign(name);
        temp.append(".").append(std::to_string(static_cast<unsigned long long>(::getpid())));
        temp.append(".").append(std::to_string(now)).append(".");
        temp.append(std::to_string(++counter)).append(".tmp");
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, hadOld ? 0600 : mode);
        if (fd < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (fd < 0) {
        return false;
    }

    bool ok = writeAll(fd, data, size);
    ok = ok && (!hadOld || ::fchmod(fd, mode) == 0);
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && (beforeFileReplace == nullptr || beforeFileReplace(temp.c_str()));
    ok = ok && ::rename(temp.c_str(), name) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    syncDirectoryOf(name);
    return true;
}
