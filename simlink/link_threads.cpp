// link_threads.cpp - linkMutex, linkResult, ConnectorThread, PollerThread
// and the poller's supervision.
//
// The poller reads into variables of its own and then stores each field of
// instrumentState in one store, in poll-table order, after a successful round
// trip only: the main thread, which never takes the lock, sees every 16-bit
// value whole, and a failed round trip leaves every value as it was.
#include "simlink/link_threads.h"

#include "app/instrument_state.h"
#include "app/pause.h"
#include "simlink/link_platform.h"
#include "simlink/sim_ipc_client.h"

#include <atomic>

LinkMutex* linkMutex = nullptr;
uint32_t linkResult = 0; // written by every client call; acted on never

namespace {

constexpr uint32_t ConnectorPauseMilliseconds = 1000;
constexpr uint32_t PollerPauseMilliseconds = 1;

// Destinations of the poll table's reads; one poller at a time uses them.
// gsFlag's high byte is never read into and stays 0 from program start.
struct PolledValues {
    int8_t toFrom;
    int8_t locNeedle;
    uint16_t obsDegrees;
    uint16_t gsFlag;
    int8_t gsNeedle;
    uint16_t lights;
};
PolledValues polled;

LinkThread connectorThread = 0;
LinkThread pollerThread = 0; // the main thread's alone

std::atomic<int32_t> pollersRunning{0};
std::atomic<int32_t> mostPollersRunning{0};
std::atomic<uint32_t> pollersStarted{0};

bool linkConnected() {
    return loadField(instrumentState.connected) != 0;
}

void setConnected(bool connected) {
    storeField(instrumentState.connected, connected ? 1 : 0);
}

void ConnectorThread() {
    for (;;) {
        lockLinkMutex(linkMutex);
        if (!linkConnected()) {
            setConnected(SimIpcClient::open(0, &linkResult));
        }
        unlockLinkMutex(linkMutex);
        pauseMilliseconds(ConnectorPauseMilliseconds);
    }
}

void pollOnce() {
    // The poll table, in its order: offset, bytes, destination.
    SimIpcClient::read(0x0C4B, 1, &polled.toFrom, &linkResult);
    SimIpcClient::read(0x0C48, 1, &polled.locNeedle, &linkResult);
    SimIpcClient::read(0x0C4E, 2, &polled.obsDegrees, &linkResult);
    SimIpcClient::read(0x0C4C, 1, &polled.gsFlag, &linkResult); // its low-order byte
    SimIpcClient::read(0x0C49, 1, &polled.gsNeedle, &linkResult);
    SimIpcClient::read(0x0D0C, 2, &polled.lights, &linkResult);
    if (!SimIpcClient::process(&linkResult)) {
        SimIpcClient::close();
        setConnected(false);
        return;
    }
    storeField(instrumentState.toFrom, polled.toFrom);
    storeField(instrumentState.locNeedle, polled.locNeedle);
    storeField(instrumentState.obsDegrees, polled.obsDegrees);
    storeField(instrumentState.gsFlag, polled.gsFlag);
    storeField(instrumentState.gsNeedle, polled.gsNeedle);
    storeField(instrumentState.lights, polled.lights);
}

void PollerThread() {
    int32_t running = pollersRunning.fetch_add(1) + 1;
    int32_t most = mostPollersRunning.load();
    while (running > most && !mostPollersRunning.compare_exchange_weak(most, running)) {
    }
    // The test of connected is made without the lock; a link lost during the
    // pause ends the thread here, unless ConnectorThread has opened it again.
    while (linkConnected()) {
        lockLinkMutex(linkMutex);
        pollOnce();
        unlockLinkMutex(linkMutex);
        pauseMilliseconds(PollerPauseMilliseconds);
    }
    pollersRunning.fetch_sub(1);
}

} // namespace

void startLinkThreads() {
    linkMutex = createLinkMutex();
    // Without a lock there is no link: the lamp shows, as when the connector
    // cannot be started; neither is tried again.
    if (linkMutex) {
        connectorThread = startLinkThread(ConnectorThread);
    }
}

void supervisePoller() {
    if (!linkConnected() || isLinkThreadRunning(pollerThread)) {
        return;
    }
    releaseLinkThread(pollerThread);
    // 0 when it could not start: the next pass tries again.
    pollerThread = startLinkThread(PollerThread);
    if (pollerThread) {
        pollersStarted.fetch_add(1);
    }
}

LinkThreadCounts linkThreadCounts() {
    return LinkThreadCounts{pollersRunning.load(), mostPollersRunning.load(),
                            pollersStarted.load()};
}
