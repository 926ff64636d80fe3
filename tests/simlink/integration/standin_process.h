// standin_process.h - runs sim-standin in a process of its own for the
// integration tests: started with arguments, its output collected in a file,
// waited on for a line, and ended by its process id.
//
// Natively each test gets its own IPC directory (VOR_IPC_DIR, set by
// useIsolatedIpcDirectory before anything else), so tests that run in
// parallel never find each other's servers. Under Windows window classes are
// global to the desktop: those tests hold a ctest resource lock instead.
//   posix/standin_process_posix.cpp   posix_spawn, signals
//   win32/standin_process_win32.cpp   CreateProcessA, TerminateProcess
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct StandinProcess {
    uint32_t pid;     // 0: not running
    uintptr_t handle; // the process handle on Windows
    std::string outputPath;
};

// Natively: a fresh private directory for this process's IPC objects,
// exported as VOR_IPC_DIR; its path. Under Windows: ".".
std::string useIsolatedIpcDirectory();
// Starts the stand-in built beside the tests with these arguments and waits
// for its "ready" line.
bool startStandin(StandinProcess* process, const std::vector<std::string>& arguments);
// All the stand-in printed so far, without carriage returns.
std::string standinOutput(const StandinProcess& process);
// Waits until the output holds text at least count times; false at the
// deadline or when the stand-in has ended.
bool waitForStandinOutput(const StandinProcess& process, const std::string& text, double seconds,
                          int count = 1);
// Ends the process at once (SIGKILL, TerminateProcess) and reaps it.
void killStandin(StandinProcess* process);
// Asks it to end (SIGTERM; TerminateProcess on Windows) and reaps it.
void endStandin(StandinProcess* process);
// True once the process has ended by itself (reaped then).
bool standinEnded(StandinProcess* process, double seconds);
// Seconds on a monotonic clock.
double monotonicSeconds();
