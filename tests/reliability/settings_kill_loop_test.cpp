// settings_kill_loop_test.cpp - saveSettings() killed with SIGKILL at random
// moments, a thousand times, never leaves "Brivane.ini" empty or damaged.
//
// Each round forks a child that saves in a loop in a scratch directory, the
// window x taking a new value at every save; once the child has finished its
// first save the parent waits a random 0-3 ms and kills it. The file must
// then be the previous round's file or one of this round's, byte for byte the
// four lines the gauge writes. Temporary files that a kill leaves beside it
// are counted and printed (nothing reads them), not treated as damage.
// POSIX only: fork() and SIGKILL.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

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
    long long value = std::stoll(bytes.substr(head.size(), end - head.size()));
    if (value < INT32_MIN || value > INT32_MAX) {
        return false;
    }
    *x = static_cast<int32_t>(value);
    return bytes == gaugeFile(*x);
}

[[noreturn]] void saveForever(int ready, int32_t firstX) {
    settings = Settings{Light, firstX, WindowY};
    saveSettings();
    char byte = 1;
    if (::write(ready, &byte, 1) != 1) {
        ::_exit(3);
    }
    for (int32_t n = 1;; ++n) {
        settings.windowX = firstX + n;
        saveSettings();
    }
}

class SettingsKillLoop : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vor-kill-loop.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_EQ(::getcwd(oldCwd, sizeof oldCwd), oldCwd);
        ASSERT_EQ(::chdir(dir.c_str()), 0);
    }
    void TearDown() override {
        if (::chdir(oldCwd) != 0) {
            ADD_FAILURE() << "cannot return to " << oldCwd;
        }
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    fs::path dir;
    char oldCwd[4096] = {};
};

TEST_F(SettingsKillLoop, FileIsAlwaysTheOldOrANewCompleteOne) {
    const fs::path file = dir / "Brivane.ini";
    std::mt19937 random(20261211);
    std::uniform_int_distribution<int> delayMicroseconds(0, 3000);

    settings = Settings{Light, 0, WindowY};
    saveSettings();
    int32_t previous = 0;
    int killedDuringRound = 0; // rounds whose file is not the round's first save
    for (int round = 1; round <= Kills; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const int32_t firstX = round * RoundStride;
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            saveForever(ready[1], firstX);
        }
        ::close(ready[1]);
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "round " << round << ": child died";
        ::close(ready[0]);
        ::usleep(static_cast<useconds_t>(delayMicroseconds(random)));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        const std::string bytes = readFile(file);
        int32_t x = 0;
        ASSERT_TRUE(parseGaugeFile(bytes, &x))
            << "round " << round << ": damaged file of " << bytes.size() << " bytes: " << bytes;
        // The first save of the round had finished before the kill, so the
        // file is one of this round's saves (the last one that got renamed).
        ASSERT_GE(x, firstX) << "round " << round << ": older than the round's first save";
        ASSERT_LT(x, firstX + RoundStride) << "round " << round;
        ASSERT_GE(x, previous);
        killedDuringRound += x > firstX ? 1 : 0;
        previous = x;
    }

    int leftovers = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        leftovers += entry.path().filename() != "Brivane.ini" ? 1 : 0;
    }
    std::printf("%d kills; %d rounds got past their first save; %d temporary files left by "
                "kills\n",
                Kills, killedDuringRound, leftovers);
    EXPECT_LE(leftovers, Kills) << "at most one temporary file per killed save";
}

} // namespace
