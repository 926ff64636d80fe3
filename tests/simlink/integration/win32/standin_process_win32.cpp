// standin_process_win32.cpp - the stand-in as a child process on Windows:
// CreateProcessA with its output in a file, ended by TerminateProcess on its
// handle (see standin_process.h).
#include "tests/simlink/integration/standin_process.h"

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

double monotonicSeconds() {
    LARGE_INTEGER frequency, count;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string useIsolatedIpcDirectory() {
    return ".";
}

namespace {

// The build passes the path as the cross build knows it; under Wine a Unix
// path is reached through drive Z:.
std::string windowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

bool running(const StandinProcess& process) {
    return process.handle &&
           WaitForSingleObject(reinterpret_cast<HANDLE>(process.handle), 0) == WAIT_TIMEOUT;
}

void reap(StandinProcess* process) {
    if (process->handle) {
        WaitForSingleObject(reinterpret_cast<HANDLE>(process->handle), 30000);
        CloseHandle(reinterpret_cast<HANDLE>(process->handle));
    }
    process->handle = 0;
    process->pid = 0;
}

} // namespace

bool startStandin(StandinProcess* process, const std::vector<std::string>& arguments) {
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    process->outputPath = std::string(temp) + "standin-" + std::to_string(GetCurrentProcessId()) +
                          "-" + std::to_string(++counter) + ".out";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileA(process->outputPath.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::string exe = windowsPath(STANDIN_PATH);
    std::string commandLine = "\"" + exe + "\"";
    for (const std::string& a : arguments) {
        commandLine += " \"" + a + "\"";
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION info{};
    BOOL made = CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                               nullptr, &startup, &info);
    CloseHandle(output);
    if (!made) {
        return false;
    }
    CloseHandle(info.hThread);
    process->handle = reinterpret_cast<uintptr_t>(info.hProcess);
    process->pid = info.dwProcessId;
    return waitForStandinOutput(*process, "ready ", 60.0);
}

std::string standinOutput(const StandinProcess& process) {
    std::ifstream in(process.outputPath, std::ios::binary);
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
        if (monotonicSeconds() > deadline || !running(process)) {
            return occurrences(standinOutput(process), text) >= count;
        }
        Sleep(5);
    }
}

void killStandin(StandinProcess* process) {
    if (process->handle) {
        TerminateProcess(reinterpret_cast<HANDLE>(process->handle), 1);
    }
    reap(process);
}

void endStandin(StandinProcess* process) {
    killStandin(process);
}

bool standinEnded(StandinProcess* process, double seconds) {
    double deadline = monotonicSeconds() + seconds;
    while (process->handle) {
        if (!running(*process)) {
            reap(process);
            return true;
        }
        if (monotonicSeconds() > deadline) {
            return false;
        }
        Sleep(5);
    }
    return true;
}
