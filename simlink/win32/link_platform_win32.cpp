// link_platform_win32.cpp - the link threads' services on Win32.
//
// A LinkThread is the handle from CreateThread, kept open so that
// GetExitCodeThread can tell whether the thread still runs (STILL_ACTIVE);
// releaseLinkThread() closes it once the thread has ended. Every thread's exit
// code is 0, so an ended one can never read as STILL_ACTIVE (259). The lock
// is a critical section.
#include "simlink/link_platform.h"

#include <new>
#include <windows.h>

struct LinkMutex {
    CRITICAL_SECTION section;
};

namespace {

DWORD WINAPI threadEntry(LPVOID parameter) {
    reinterpret_cast<void (*)()>(parameter)();
    return 0;
}

} // namespace

LinkThread startLinkThread(void (*procedure)()) {
    HANDLE thread =
        CreateThread(nullptr, 0, threadEntry, reinterpret_cast<LPVOID>(procedure), 0, nullptr);
    return reinterpret_cast<LinkThread>(thread);
}

bool isLinkThreadRunning(LinkThread thread) {
    DWORD code = 0;
    return thread && GetExitCodeThread(reinterpret_cast<HANDLE>(thread), &code) &&
           code == STILL_ACTIVE;
}

void releaseLinkThread(LinkThread thread) {
    if (thread) {
        CloseHandle(reinterpret_cast<HANDLE>(thread));
    }
}

LinkMutex* createLinkMutex() {
    LinkMutex* mutex = new (std::nothrow) LinkMutex;
    if (mutex) {
        InitializeCriticalSection(&mutex->section);
    }
    return mutex;
}

void lockLinkMutex(LinkMutex* mutex) {
    EnterCriticalSection(&mutex->section);
}

void unlockLinkMutex(LinkMutex* mutex) {
    LeaveCriticalSection(&mutex->section);
}
