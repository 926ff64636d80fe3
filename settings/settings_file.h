// settings_file.h - the file calls under the settings file: read a whole file
// with sharing, tell a read-only file, replace a file's bytes in one step.
//
// Names are relative or absolute paths in the platform's ANSI encoding; a
// relative name resolves in the current working directory.
//
// replaceFileAtomically() writes the bytes to a new temporary file beside the
// target, flushes it to the disk and only then puts it in the target's place
// with one rename, so a crash, a full disk or a failed write at any moment
// leaves either the old file or the new one, never a truncated mix. On any
// failure the temporary file is removed and the target is left as it was. A
// crash between writing and renaming can leave a "<name>.<...>.tmp" file
// behind; nothing reads those.
//
// Implemented in posix/settings_file_posix.cpp and win32/settings_file_win32.cpp.
#pragma once

#include <cstddef>

// Larger files are treated as unreadable: a settings file is a few dozen
// bytes, and this keeps a runaway file from taking the process's memory.
constexpr size_t MaxSettingsFileSize = size_t{256} << 20;

struct FileBytes {
    char* data = nullptr; // malloc'ed; releaseFileBytes() frees it
    size_t size = 0;
};

// Reads the whole regular file `name`, also when it is marked read-only or
// another program holds it open and lets others read. False (and `out`
// empty) when it is missing, not a regular file, unreadable, larger than
// MaxSettingsFileSize, or memory runs out.
bool readWholeFile(const char* name, FileBytes* out);
void releaseFileBytes(FileBytes* bytes);

// True when `name` exists and is marked read-only: on Windows the read-only
// attribute, on POSIX no write permission bit that applies to this process
// (for root, which ignores the bits, no write bit at all).
bool isFileReadOnly(const char* name);

// Puts exactly `size` bytes at `data` into `name`, in one step. Refuses (false,
// nothing changed) a read-only target, as well as whatever the platform
// refuses: a directory in the way, an unwritable directory, a target held
// open without sharing.
bool replaceFileAtomically(const char* name, const char* data, size_t size);

// Test seam, null in the program: when set, replaceFileAtomically() calls it
// once the temporary file `tempName` is complete and flushed, just before the
// rename. Returning false abandons the save there, as a failed rename would.
extern bool (*beforeFileReplace)(const char* tempName);
