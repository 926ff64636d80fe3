// link_threads.h - the two threads that keep instrumentState in step with the
// simulator, and the main loop's supervision of the poller.
#pragma once

// Start-up, first of all: creates linkMutex, then starts ConnectorThread.
void startLinkThreads();

// Once per main-loop pass: starts a PollerThread when connected is 1 and none
// is running.
void supervisePoller();
