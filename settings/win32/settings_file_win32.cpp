// settings_file_win32.cpp - the settings file calls on Win32 (ANSI): a
// sharing CreateFileA for reading, the read-only attribute, and temp file +
// FlushFileBuffers + MoveFileExA for the one-step replace.
#include "settings/settings_file.h"

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <string>

bool (*beforeFileReplace)(const char* tempName) = nullptr;

namespace {

bool writeAll(HANDLE file, const char* data, size_t size) {
    while (size > 0) {
        DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

} // namespace

bool readWholeFile(const char* name, FileBytes* out) {
    *out = FileBytes{};
    // Share everything, so that the file is read while an editor or another
    // program holds it open, whatever access that program has.
    HANDLE file =
        CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER length;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &length) ||
        length.QuadPart < 0 ||
        static_cast<unsigned long long>(length.QuadPart) > MaxSettingsFileSize) {
        CloseHandle(file);
        return false;
    }
    // Read no more than the size seen at the start: a file that grows while
    // it is read cannot push memory past what was checked above.
    size_t capacity = static_cast<size_t>(length.QuadPart);
    char* data = static_cast<char*>(std::malloc(capacity > 0 ? capacity : 1));
    if (data == nullptr) {
        CloseHandle(file);
        return false;
    }
    size_t size = 0;
    while (size < capacity) {
        size_t left = capacity - size;
        DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
        DWORD got = 0;
        if (!ReadFile(file, data + size, chunk, &got, nullptr)) {
            std::free(data);
            CloseHandle(file);
            return false;
        }
        if (got == 0) {
            break;
        }
        size += got;
    }
    CloseHandle(file);
    out->data = data;
    out->size = size;
    return true;
}

void releaseFileBytes(FileBytes* bytes) {
    std::free(bytes->data);
    *bytes = FileBytes{};
}

bool isFileReadOnly(const char* name) {
    DWORD attributes = GetFileAttributesA(name);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool replaceFileAtomically(const char* name, const char* data, size_t size) {
    // MoveFileExA refuses a read-only target too, but not on every file
    // system or emulation layer; the attribute is the user's wish, so it is
    // checked here first.
    DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        return false;
    }

    // A name of our own per attempt, with the clock in it so that a file
    // left by a crashed run of a process with the same id is not in the
    // way; CREATE_NEW never reuses a file that exists or someone else opened.
    static unsigned counter = 0;
    const unsigned long long now = static_cast<unsigned long long>(
        std::chrono::system_clock::now().time_since_epoch().count());
    std::string temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 16 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temp.assign(name);
        temp.append(".").append(
            std::to_string(static_cast<unsigned long long>(GetCurrentProcessId())));
        temp.append(".").append(std::to_string(now)).append(".");
        temp.append(std::to_string(++counter)).append(".tmp");
        file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }

    bool ok = writeAll(file, data, size);
    ok = ok && FlushFileBuffers(file) != 0;
    ok = (CloseHandle(file) != 0) && ok;
    ok = ok && (beforeFileReplace == nullptr || beforeFileReplace(temp.c_str()));
    // A target that another program holds open without delete sharing makes
    // this fail, and then the old file stays as it was.
    ok = ok &&
         MoveFileExA(temp.c_str(), name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok) {
        DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}
