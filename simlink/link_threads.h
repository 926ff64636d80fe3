// link_threads.h - the two threads that keep instrumentState in step with the
// simulator, and the main loop's supervision of the poller.
//
// ConnectorThread opens the link once a second while it is down; PollerThread
// reads the six values about every millisecond while it is up and ends by
// itself when it finds the link down. Both hold linkMutex around every client
// call and every write of connected; the main thread never takes it. Nothing
// is stopped at exit: the end of the process ends both threads.
#pragma once

#include <cstdint>

// Start-up, first of all: creates linkMutex, then starts ConnectorThread.
void startLinkThreads();

// Once per main-loop pass: starts a PollerThread when connected is 1 and none
// is running.
void supervisePoller();

// What the pollers have done so far, for tests and diagnostics.
struct LinkThreadCounts {
    int32_t pollersRunning;     // PollerThreads inside their procedure now
    int32_t mostPollersRunning; // the highest pollersRunning ever reached
    uint32_t pollersStarted;
};
LinkThreadCounts linkThreadCounts();
