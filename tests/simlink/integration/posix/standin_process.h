// standin_process.h - runs sim-standin in a process of its own for the native
// integration tests: started with arguments, its output collected in a file,
// waited on for a line, and ended by its PID.
//
// Each test gets its own IPC directory (VOR_IPC_DIR, set by
// useIsolatedIpcDirectory before anything else), so tests that run in
// parallel never find each other's servers.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

struct StandinProcess {
    pid_t pid; // 0: not running
    std::string outputPath;
};

// A fresh private directory for this process's IPC objects; exported as
// VOR_IPC_DIR. Returns its path.
std::string useIsolatedIpcDirectory();
// Starts the stand-in built beside the tests with these arguments.
bool startStandin(StandinProcess* process, const std::vector<std::string>& arguments);
// All the stand-in printed so far.
std::string standinOutput(const StandinProcess& process);
// Waits until the output holds text at least count times; false at the
// deadline or when the stand-in has ended.
bool waitForStandinOutput(const StandinProcess& process, const std::string& text, double seconds,
                          int count = 1);
// Sends the signal and reaps the process.
void stopStandin(StandinProcess* process, int signalNumber);
// True once the process has ended by itself (reaped then).
bool standinEnded(StandinProcess* process, double seconds);
// Seconds on a monotonic clock.
double monotonicSeconds();
