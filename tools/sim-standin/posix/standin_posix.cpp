// standin_posix.cpp - sim-standin's native front end: owns the window class
// through the native IPC layer's server side and serves each message.
// Ends on SIGINT or SIGTERM (removing its class) or as the options say.
#include "simlink/posix/ipc_posix_server.h"
#include "simlink/sim_ipc_platform.h"
#include "tools/sim-standin/standin.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

volatile sig_atomic_t stopRequested = 0;

void onStopSignal(int) {
    stopRequested = 1;
}

StandinConfig config;
StandinState state;

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
    IpcMapping mapping = ipcOpenMapping(name);
    void* view = mapping ? ipcMapView(mapping) : nullptr;
    uint32_t reply = 0;
    if (view) {
        updateStandinValues(&state, config, t);
        reply = standinServeBatch(&state, config, static_cast<uint8_t*>(view),
                                  ipcMappingSize(mapping), stdout);
        ipcUnmapView(view);
    } else if (config.trace) {
        std::printf("no block %s\n", name);
        std::fflush(stdout);
    }
    if (mapping) {
        ipcCloseMapping(mapping);
    }
    return reply;
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
    ipcServerClose(&server);
    return 0;
}
