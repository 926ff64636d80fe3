// link_platform.h - the thread services of the link threads: starting a
// thread, asking whether it still runs, and the one lock.
//
//   simlink/win32/  CreateThread, GetExitCodeThread == STILL_ACTIVE, a
//                   critical section
//   simlink/posix/  pthreads; "running" is a flag the thread clears as the
//                   very last thing it does, and a pthread mutex
//
// Nothing here stops a thread: a thread ends only by returning from its
// procedure. A LinkThread stays valid until releaseLinkThread(), which may be
// called only once the thread is seen not running (it reaps what the ended
// thread left, so that a long run with many reconnections holds nothing
// extra). A lock is never taken twice by the same thread.
#pragma once

#include <cstdint>

using LinkThread = uintptr_t; // 0: none
struct LinkMutex;             // opaque; one per platform file

// Starts procedure on a new thread; 0 when the thread could not be started.
LinkThread startLinkThread(void (*procedure)());
// True while the thread is known and has not yet ended.
bool isLinkThreadRunning(LinkThread thread);
// Releases an ended thread's handle or record. Harmless on 0.
void releaseLinkThread(LinkThread thread);

// Never destroyed; null on failure.
LinkMutex* createLinkMutex();
void lockLinkMutex(LinkMutex* mutex);
void unlockLinkMutex(LinkMutex* mutex);
