// standin_posix.cpp - sim-standin's native front end: owns the window class
// through the native IPC layer's server side and serves each message.
// Ends on SIGINT or SIGTERM (removing its class) or as the options say.
#include "simlink/posix/ipc_posix_server.h"
#include "simlink/sim_ipc_platform.h"
#include "tools/sim-standin/standin.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

volatile sig_atomic_t stopRequested = 0;

void onStopSignal(int) {
    stopRequested = 1;
}

StandinConfig config;
StandinState state;

// The block of the last message, kept mapped while messages name it: a
// link sends a thousand a second with the same atom. The atom's text is read
// every time, so a block that a new name replaces is never served by mistake.
struct CachedBlock {
    char name[300];
    IpcMapping mapping;
    void* view;
    uint32_t size;
};

CachedBlock cached;

void releaseCachedBlock() {
    if (cached.view) {
        ipcUnmapView(cached.view);
    }
    if (cached.mapping) {
        ipcCloseMapping(cached.mapping);
    }
    cached = CachedBlock{};
}

// Finds the message's block by the atom's text and serves it; the reply.
uint32_t serveMessage(uint64_t firstParam, double t) {
    char name[300];
    if (firstParam > 0xFFFF ||
        ipcGetAtomName(static_cast<uint16_t>(firstParam), name, sizeof name) == 0) {
        if (config.trace) {
            std::printf("no atom 0x%llX\n", static_cast<unsigned long long>(firstParam));
            std::fflush(stdout);
        }
        return 0;
    }
    noteStandinBlock(&state, config, name, stdout);
    if (!cached.view || std::strcmp(name, cached.name) != 0) {
        releaseCachedBlock();
        cached.mapping = ipcOpenMapping(name);
        cached.view = cached.mapping ? ipcMapView(cached.mapping) : nullptr;
        cached.size = ipcMappingSize(cached.mapping);
        std::snprintf(cached.name, sizeof cached.name, "%s", name);
        if (!cached.view) {
            releaseCachedBlock();
            if (config.trace) {
                std::printf("no block %s\n", name);
                std::fflush(stdout);
            }
            return 0;
        }
    }
    updateStandinValues(&state, config, t);
    return standinServeBatch(&state, config, static_cast<uint8_t*>(cached.view), cached.size,
                             stdout);
}

} // namespace

int main(int argc, char** argv) {
    StandinParse parsed = parseStandinArgs(argc, argv, &config, stderr);
    if (parsed == StandinParse::Help) {
        printStandinUsage(stdout);
        return 0;
    }
    if (parsed == StandinParse::Error) {
        return 2;
    }
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    initStandinState(&state, config);
    IpcPosixServer server;
    if (!ipcServerAnnounce(&server, config.className)) {
        std::fprintf(stderr, "sim-standin: cannot own window class %s (another server has it?)\n",
                     config.className);
        return 1;
    }
    const uint32_t messageId = ipcRegisterMessage("FsasmLib:IPC");
    const double start = standinNow();
    std::printf("ready class=%s pid=%d\n", config.className, static_cast<int>(getpid()));
    std::fflush(stdout);

    while (!stopRequested) {
        double t = standinNow() - start;
        if (!tickStandin(&state, config, t, stdout)) {
            break;
        }
        IpcPosixMessage message;
        if (!ipcServerReceive(&server, 100, &message)) {
            continue;
        }
        if (message.message != messageId) {
            ipcServerReply(&server, message, 0); // as DefWindowProc would
            continue;
        }
        if (config.noAnswer && standinFaultsActive(state, config)) {
            continue;
        }
        const bool slow = config.slowMilliseconds && standinFaultsActive(state, config);
        uint32_t reply = serveMessage(message.firstParam, standinNow() - start);
        if (slow) {
            ipcSleep(config.slowMilliseconds);
        }
        ipcServerReply(&server, message, reply);
        if (config.exitAfter && state.batches >= config.exitAfter) {
            break;
        }
    }
    releaseCachedBlock();
    ipcServerClose(&server);
    return 0;
}
