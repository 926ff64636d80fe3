// standin_process_posix.cpp - the stand-in as a child process: posix_spawn
// with its output in a file, ended by signals to its PID (see standin_process.h).
#include "simlink/posix/ipc_posix_shared.h"
#include "tests/simlink/integration/standin_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

double monotonicSeconds() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

namespace {

std::vector<std::string> isolatedDirectories;

// At exit: the directories this process made, with what is in them, and the
// shared memory named after them (a link still open at exit is never closed).
void removeIsolatedDirectories() {
    for (const std::string& dir : isolatedDirectories) {
        setenv("VOR_IPC_DIR", dir.c_str(), 1);
        char prefix[300];
        if (ipcPosixMappingName("x", prefix, sizeof prefix)) {
            size_t length = std::strlen(prefix) - 2; // without "/" and "x"
            if (DIR* d = opendir("/dev/shm")) {
                while (dirent* e = readdir(d)) {
                    if (std::strncmp(e->d_name, prefix + 1, length) == 0) {
                        shm_unlink((std::string("/") + e->d_name).c_str());
                    }
                }
                closedir(d);
            }
        }
        if (DIR* d = opendir(dir.c_str())) {
            while (dirent* e = readdir(d)) {
                if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
                    unlink((dir + "/" + e->d_name).c_str());
                }
            }
            closedir(d);
        }
        rmdir(dir.c_str());
    }
}

} // namespace

std::string useIsolatedIpcDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vor-ipc-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) {
        return {};
    }
    setenv("VOR_IPC_DIR", buffer.data(), 1);
    if (isolatedDirectories.empty()) {
        std::atexit(removeIsolatedDirectories);
    }
    isolatedDirectories.push_back(buffer.data());
    return buffer.data();
}

bool startStandin(StandinProcess* process, const std::vector<std::string>& arguments) {
    static int counter = 0;
    const char* dir = std::getenv("VOR_IPC_DIR");
    process->outputPath = std::string(dir ? dir : "/tmp") + "/standin-" + std::to_string(getpid()) +
                          "-" + std::to_string(++counter) + ".out";
    std::vector<std::string> all{STANDIN_PATH};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, process->outputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    int r = posix_spawn(&pid, STANDIN_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    process->pid = r == 0 ? static_cast<uint32_t>(pid) : 0;
    return r == 0 && waitForStandinOutput(*process, "ready ", 20.0);
}

std::string standinOutput(const StandinProcess& process) {
    std::ifstream in(process.outputPath);
    std::stringstream s;
    s << in.rdbuf();
    std::string text = s.str();
    std::erase(text, '\r');
    return text;
}

static int occurrences(const std::string& haystack, const std::string& needle) {
    int n = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + needle.size())) {
        ++n;
    }
    return n;
}

bool waitForStandinOutput(const StandinProcess& process, const std::string& text, double seconds,
                          int count) {
    double deadline = monotonicSeconds() + seconds;
    for (;;) {
        if (occurrences(standinOutput(process), text) >= count) {
            return true;
        }
        if (monotonicSeconds() > deadline || process.pid == 0 ||
            kill(static_cast<pid_t>(process.pid), 0) != 0) {
            return occurrences(standinOutput(process), text) >= count;
        }
        usleep(5000);
    }
}

static void signalAndReap(StandinProcess* process, int signalNumber) {
    if (process->pid == 0) {
        return;
    }
    pid_t pid = static_cast<pid_t>(process->pid);
    kill(pid, signalNumber);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    process->pid = 0;
}

void killStandin(StandinProcess* process) {
    signalAndReap(process, SIGKILL);
}

void endStandin(StandinProcess* process) {
    signalAndReap(process, SIGTERM);
}

bool standinEnded(StandinProcess* process, double seconds) {
    double deadline = monotonicSeconds() + seconds;
    while (process->pid != 0) {
        int status = 0;
        pid_t pid = static_cast<pid_t>(process->pid);
        if (waitpid(pid, &status, WNOHANG) == pid) {
            process->pid = 0;
            return true;
        }
        if (monotonicSeconds() > deadline) {
            return false;
        }
        usleep(5000);
    }
    return true;
}
