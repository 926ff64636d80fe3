// settings_kill_loop_test.cpp - saveSettings() killed at random moments, a
// thousand times, never leaves "Brivane.ini" empty or damaged.
//
// Each round starts a child that saves in a loop in a scratch directory, the
// window x taking a new value at every save; once the child has finished its
// first save the parent waits a random 0-3 ms and kills it (POSIX: fork and
// SIGKILL; Windows: the test executable started again as the child, ended
// with TerminateProcess). The file must then be one of this round's saves,
// byte for byte the four lines the gauge writes. Temporary files that kills
// leave beside it are counted and printed (nothing reads them), not treated
// as damage.
//
// The executable has its own main(): started with "--save-forever FIRSTX
// HANDLE" it is the Windows child, otherwise it runs the tests.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

constexpr int Kills = 1000;
constexpr int32_t RoundStride = 1000000; // round r saves x = r * stride + n
constexpr int8_t Light = 1;
constexpr int32_t WindowY = -40;

std::string gaugeFile(int32_t x) {
    return "[system]\r\nlight = " + std::to_string(Light) +
           "\r\nPosWindowX = " + std::to_string(x) + "\r\nPosWindowY = " + std::to_string(WindowY) +
           "\r\n";
}

std::string readFile(const fs::path& name) {
    std::ifstream f(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// The x value of a complete gauge file, or false when the bytes are anything
// else (empty, cut short, mixed).
bool parseGaugeFile(const std::string& bytes, int32_t* x) {
    const std::string head = "[system]\r\nlight = 1\r\nPosWindowX = ";
    if (bytes.compare(0, head.size(), head) != 0) {
        return false;
    }
    size_t end = bytes.find('\r', head.size());
    if (end == std::string::npos || end == head.size() || end - head.size() > 11) {
        return false;
    }
    long long value = std::strtoll(bytes.c_str() + head.size(), nullptr, 10);
    if (value < INT32_MIN || value > INT32_MAX) {
        return false;
    }
    *x = static_cast<int32_t>(value);
    return bytes == gaugeFile(*x);
}

// The child's work: a first save, the signal that it is done, then saves
// until it is killed. `signalReady` returns false when the parent is gone.
template <typename Ready> [[noreturn]] void saveForever(int32_t firstX, Ready signalReady) {
    settings = Settings{Light, firstX, WindowY};
    saveSettings();
    if (!signalReady()) {
        std::_Exit(3);
    }
    for (int32_t n = 1;; ++n) {
        settings.windowX = firstX + n;
        saveSettings();
    }
}

#ifdef _WIN32
std::string selfPath;

struct Saver {
    PROCESS_INFORMATION process;
};

// Starts the child in the current directory; true once its first save is done.
bool startSaver(int32_t firstX, Saver* saver) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        return false;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::string command = "\"" + selfPath + "\" --save-forever " + std::to_string(firstX) + " " +
                          std::to_string(reinterpret_cast<uintptr_t>(writeEnd));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    saver->process = PROCESS_INFORMATION{};
    BOOL started = CreateProcessA(selfPath.c_str(), command.data(), nullptr, nullptr, TRUE, 0,
                                  nullptr, nullptr, &startup, &saver->process);
    CloseHandle(writeEnd);
    char byte = 0;
    DWORD got = 0;
    bool ready = started && ReadFile(readEnd, &byte, 1, &got, nullptr) && got == 1;
    CloseHandle(readEnd);
    return ready;
}

bool killSaver(Saver* saver) {
    bool ok = TerminateProcess(saver->process.hProcess, 9) != 0 &&
              WaitForSingleObject(saver->process.hProcess, 30000) == WAIT_OBJECT_0;
    CloseHandle(saver->process.hThread);
    CloseHandle(saver->process.hProcess);
    return ok;
}

void pause(int microseconds) {
    Sleep(static_cast<DWORD>(microseconds / 1000));
}
#else
struct Saver {
    pid_t pid;
};

bool startSaver(int32_t firstX, Saver* saver) {
    int ready[2];
    if (::pipe(ready) != 0) {
        return false;
    }
    saver->pid = ::fork();
    if (saver->pid == 0) {
        ::close(ready[0]);
        saveForever(firstX, [&] {
            char byte = 1;
            return ::write(ready[1], &byte, 1) == 1;
        });
    }
    ::close(ready[1]);
    char byte = 0;
    bool ok = saver->pid > 0 && ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    return ok;
}

bool killSaver(Saver* saver) {
    int status = 0;
    return ::kill(saver->pid, SIGKILL) == 0 && ::waitpid(saver->pid, &status, 0) == saver->pid &&
           WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

void pause(int microseconds) {
    ::usleep(static_cast<useconds_t>(microseconds));
}
#endif

class SettingsKillLoop : public ::testing::Test {
  protected:
    void SetUp() override {
        oldCwd = fs::current_path();
        dir =
            fs::temp_directory_path() / ("vor-kill-loop-" + std::to_string(std::random_device{}()));
        ASSERT_TRUE(fs::create_directory(dir));
        fs::current_path(dir);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::current_path(oldCwd, ignored);
        fs::remove_all(dir, ignored);
    }
    fs::path dir;
    fs::path oldCwd;
};

TEST_F(SettingsKillLoop, FileIsAlwaysOneCompleteSave) {
    const fs::path file = dir / "Brivane.ini";
    std::mt19937 random(20261211);
    std::uniform_int_distribution<int> delayMicroseconds(0, 3000);

    int32_t previous = 0;
    int pastFirstSave = 0; // rounds whose file is a later save than the first
    for (int round = 1; round <= Kills; ++round) {
        const int32_t firstX = round * RoundStride;
        Saver saver;
        ASSERT_TRUE(startSaver(firstX, &saver)) << "round " << round << ": child did not save";
        pause(delayMicroseconds(random));
        ASSERT_TRUE(killSaver(&saver)) << "round " << round;

        const std::string bytes = readFile(file);
        int32_t x = 0;
        ASSERT_TRUE(parseGaugeFile(bytes, &x))
            << "round " << round << ": damaged file of " << bytes.size() << " bytes: " << bytes;
        // The first save of the round had finished before the kill, so the
        // file is one of this round's saves (the last one put in place).
        ASSERT_GE(x, firstX) << "round " << round << ": older than the round's first save";
        ASSERT_LT(x, firstX + RoundStride) << "round " << round;
        ASSERT_GT(x, previous);
        pastFirstSave += x > firstX ? 1 : 0;
        previous = x;
    }

    int leftovers = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        leftovers += entry.path().filename() != "Brivane.ini" ? 1 : 0;
    }
    std::printf("%d kills; %d rounds got past their first save; %d temporary files left by "
                "kills\n",
                Kills, pastFirstSave, leftovers);
    EXPECT_LE(leftovers, Kills) << "at most one temporary file per killed save";
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    if (argc == 4 && std::strcmp(argv[1], "--save-forever") == 0) {
        HANDLE ready = reinterpret_cast<HANDLE>(std::strtoull(argv[3], nullptr, 10));
        saveForever(static_cast<int32_t>(std::strtol(argv[2], nullptr, 10)), [&] {
            char byte = 1;
            DWORD written = 0;
            return WriteFile(ready, &byte, 1, &written, nullptr) && written == 1;
        });
    }
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    selfPath.assign(path, length);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
