// link_platform_posix.cpp - the link threads' services on pthreads.
//
// The is-running test: each thread has a small record with a flag, set before
// the thread starts and cleared by the thread itself as the last thing it does
// after its procedure has returned. Once the flag reads false the thread
// touches nothing more, so releaseLinkThread() can join it (returning at once
// but for the thread's final instructions) and free the record.
#include "simlink/link_platform.h"

#include <atomic>
#include <new>
#include <pthread.h>

struct LinkMutex {
    pthread_mutex_t mutex;
};

namespace {

struct ThreadRecord {
    pthread_t thread;
    void (*procedure)();
    std::atomic<bool> running;
};

void* threadEntry(void* parameter) {
    ThreadRecord* record = static_cast<ThreadRecord*>(parameter);
    record->procedure();
    record->running.store(false, std::memory_order_release);
    return nullptr;
}

} // namespace

LinkThread startLinkThread(void (*procedure)()) {
    ThreadRecord* record = new (std::nothrow) ThreadRecord;
    if (!record) {
        return 0;
    }
    record->procedure = procedure;
    record->running.store(true, std::memory_order_relaxed);
    if (pthread_create(&record->thread, nullptr, threadEntry, record) != 0) {
        delete record;
        return 0;
    }
    return reinterpret_cast<LinkThread>(record);
}

bool isLinkThreadRunning(LinkThread thread) {
    if (!thread) {
        return false;
    }
    return reinterpret_cast<ThreadRecord*>(thread)->running.load(std::memory_order_acquire);
}

void releaseLinkThread(LinkThread thread) {
    if (!thread) {
        return;
    }
    ThreadRecord* record = reinterpret_cast<ThreadRecord*>(thread);
    pthread_join(record->thread, nullptr);
    delete record;
}

LinkMutex* createLinkMutex() {
    LinkMutex* mutex = new (std::nothrow) LinkMutex;
    if (!mutex) {
        return nullptr;
    }
    if (pthread_mutex_init(&mutex->mutex, nullptr) != 0) {
        delete mutex;
        return nullptr;
    }
    return mutex;
}

void lockLinkMutex(LinkMutex* mutex) {
    pthread_mutex_lock(&mutex->mutex);
}

void unlockLinkMutex(LinkMutex* mutex) {
    pthread_mutex_unlock(&mutex->mutex);
}
