// settings_test.cpp - loadSettings()/saveSettings() on real files: each test
// runs in a fresh scratch directory of its own, since "Brivane.ini" is a
// relative name. Covers the written bytes, the load/save round trips, the
// cases where the save must change nothing, the one-step replace with a
// fault injected before the rename, and damaged or huge files.
#include "settings/settings.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const char* const FileName = "Brivane.ini";

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

std::string gaugeFile(int light, int x, int y) {
    return "[system]\r\nlight = " + std::to_string(light) +
           "\r\nPosWindowX = " + std::to_string(x) + "\r\nPosWindowY = " + std::to_string(y) +
           "\r\n";
}

void writeFile(const char* name, const std::string& bytes) {
    std::ofstream f(name, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const char* name) {
    std::ifstream f(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::vector<std::string> entries() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(".", ec)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void setReadOnly(const char* name, bool readOnly) {
#ifdef _WIN32
    SetFileAttributesA(name, readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
#else
    ::chmod(name, readOnly ? 0444 : 0644);
#endif
}

class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        home = fs::current_path();
        static int serial = 0;
#ifdef _WIN32
        std::string tag = std::to_string(GetCurrentProcessId());
#else
        std::string tag = std::to_string(::getpid());
#endif
        dir = fs::temp_directory_path() / ("vor-settings-" + tag + "-" + std::to_string(++serial));
        std::error_code ec;
        fs::remove_all(dir, ec);
        ASSERT_TRUE(fs::create_directories(dir, ec)) << ec.message();
        fs::current_path(dir, ec);
        ASSERT_FALSE(ec) << ec.message();
        settings = Settings{};
        beforeFileReplace = nullptr;
    }
    void TearDown() override {
        beforeFileReplace = nullptr;
        std::error_code ec;
        setReadOnly(FileName, false);
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::current_path(home, ec);
        fs::remove_all(dir, ec);
    }
    void expectSettings(int light, int32_t x, int32_t y, const char* what = "") {
        EXPECT_EQ(settings.lightEnabled, light) << what;
        EXPECT_EQ(settings.windowX, x) << what;
        EXPECT_EQ(settings.windowY, y) << what;
    }
    fs::path home;
    fs::path dir;
};

TEST_F(SettingsFile, NoFileGivesDefaultsAndCloseCreatesTheFourLines) {
    settings = Settings{5, 6, 7};
    loadSettings();
    expectSettings(1, 0, 0);
    saveSettings();
    EXPECT_EQ(hex(readFile(FileName)), hex(gaugeFile(1, 0, 0)));
    EXPECT_EQ(entries(), std::vector<std::string>{FileName}) << "no temporary file left";
}

TEST_F(SettingsFile, WritesExactlyTheFourCrLfLines) {
    writeFile(FileName, "; by hand\r\n[other]\r\nk=1\r\n[system]\r\nextra=2\r\nlight=0\r\n");
    loadSettings();
    settings = Settings{1, 120, -40};
    saveSettings();
    EXPECT_EQ(hex(readFile(FileName)),
              hex("[system]\r\nlight = 1\r\nPosWindowX = 120\r\nPosWindowY = -40\r\n"));
    settings = Settings{-128, INT32_MIN, INT32_MAX};
    saveSettings();
    EXPECT_EQ(readFile(FileName), "[system]\r\nlight = -128\r\nPosWindowX = -2147483648\r\n"
                                  "PosWindowY = 2147483647\r\n");
}

TEST_F(SettingsFile, LoadsByTheRulesAndSavesBack) {
    struct {
        const char* what;
        std::string file;
        int light;
        int32_t x, y;
    } const cases[] = {
        {"light 0", gaugeFile(0, 5, 6), 0, 5, 6},
        {"light 256 is 0", "[system]\nlight=256\n", 0, 0, 0},
        {"light 255 is -1", "[system]\nlight=255\n", -1, 0, 0},
        {"light 300 is 44", "[system]\nlight=300\n", 44, 0, 0},
        {"light abc is 0", "[system]\nlight=abc\n", 0, 0, 0},
        {"light empty is 0", "[system]\nlight=\n", 0, 0, 0},
        {"monitor on the left", "[system]\nPosWindowX=-900\n", 1, -900, 0},
        {"capitals, no spaces", "[SYSTEM]\nLIGHT=0\nPOSWINDOWX=3\nposwindowy=4\n", 0, 3, 4},
        {"spaces inside brackets", "[ system ]\nlight=0\nPosWindowX=3\n", 1, 0, 0},
        {"first light wins", "[system]\nlight=0\nlight=1\n", 0, 0, 0},
        {"second system group unread", "[system]\nlight=0\n[system]\nPosWindowX=8\n", 0, 0, 0},
        {"light above the header", "light=0\n[system]\nPosWindowX=2\n", 1, 2, 0},
        {"LF only", "[system]\nlight = 0\nPosWindowX = 120\nPosWindowY = -40\n", 0, 120, -40},
        {"BOM", "\xEF\xBB\xBF" + gaugeFile(0, 120, -40), 0, 120, -40},
        {"beyond 32 bits saturates",
         "[system]\nlight=99999999999\nPosWindowX=99999999999\n"
         "PosWindowY=-99999999999\n",
         -1, INT32_MAX, INT32_MIN},
    };
    for (const auto& c : cases) {
        writeFile(FileName, c.file);
        settings = Settings{9, 9, 9};
        loadSettings();
        expectSettings(c.light, c.x, c.y, c.what);
        saveSettings();
        EXPECT_EQ(readFile(FileName), gaugeFile(c.light, c.x, c.y)) << c.what;
    }
}

TEST_F(SettingsFile, ReadOnlyFileIsReadAndNeverChanged) {
    const std::string old = "[system]\nlight=0\nPosWindowX=-900\n; mine\n";
    writeFile(FileName, old);
    setReadOnly(FileName, true);
    loadSettings();
    expectSettings(0, -900, 0);
    settings.windowX = 10;
    saveSettings();
    EXPECT_EQ(readFile(FileName), old);
    EXPECT_TRUE(isFileReadOnly(FileName));
    EXPECT_EQ(entries(), std::vector<std::string>{FileName});
}

TEST_F(SettingsFile, DirectoryInPlaceOfTheFileIsLeftAlone) {
    ASSERT_TRUE(fs::create_directory(FileName));
    writeFile("Brivane.ini/inside", "x");
    settings = Settings{0, 3, 3};
    loadSettings();
    expectSettings(1, 0, 0);
    saveSettings();
    EXPECT_TRUE(fs::is_directory(FileName));
    EXPECT_EQ(readFile("Brivane.ini/inside"), "x");
    EXPECT_EQ(entries(), std::vector<std::string>{FileName});
}

TEST_F(SettingsFile, FaultBeforeTheReplaceKeepsTheOldFile) {
    const std::string old = gaugeFile(0, 11, 22);
    writeFile(FileName, old);
    static std::string seenOld, seenTemp, tempName;
    seenOld.clear();
    seenTemp.clear();
    tempName.clear();
    // At this point the new bytes are complete on disk and the old file has
    // not been touched: dying here loses nothing.
    beforeFileReplace = [](const char* temp) {
        seenOld = readFile(FileName);
        seenTemp = readFile(temp);
        tempName = temp;
        return false;
    };
    settings = Settings{1, 33, 44};
    saveSettings();
    EXPECT_EQ(seenOld, old);
    EXPECT_EQ(seenTemp, gaugeFile(1, 33, 44));
    EXPECT_EQ(fs::path(tempName).parent_path(), fs::path()) << "temp file beside the target";
    EXPECT_EQ(readFile(FileName), old);
    EXPECT_EQ(entries(), std::vector<std::string>{FileName}) << "temporary file removed";

    beforeFileReplace = [](const char*) { return true; };
    saveSettings();
    EXPECT_EQ(readFile(FileName), gaugeFile(1, 33, 44));
    EXPECT_EQ(entries(), std::vector<std::string>{FileName});
}

TEST_F(SettingsFile, StaleTemporaryFileDoesNotBlockTheSave) {
    // Whatever a crashed run left behind, under any name a save might pick.
    for (int n = 1; n <= 40; ++n) {
#ifdef _WIN32
        std::string pid = std::to_string(GetCurrentProcessId());
#else
        std::string pid = std::to_string(::getpid());
#endif
        writeFile(("Brivane.ini." + pid + "." + std::to_string(n) + ".tmp").c_str(), "old");
    }
    size_t before = entries().size();
    settings = Settings{1, 1, 1};
    saveSettings();
    saveSettings();
    EXPECT_EQ(readFile(FileName), gaugeFile(1, 1, 1));
    EXPECT_EQ(entries().size(), before + 1);
}

#ifndef _WIN32
TEST_F(SettingsFile, UnwritableDirectoryKeepsTheOldFile) {
    const std::string old = gaugeFile(0, 5, 5);
    writeFile(FileName, old);
    // Root ignores permission bits, so as root the save runs in a child that
    // has become an unprivileged user first.
    const bool root = ::geteuid() == 0;
    const uid_t nobody = 65534;
    if (root) {
        // The file itself stays writable for the child: only the directory
        // stands in the way.
        ASSERT_EQ(::chown(FileName, nobody, nobody), 0);
        ASSERT_EQ(::chown(".", nobody, nobody), 0);
    }
    ASSERT_EQ(::chmod(".", 0555), 0);
    pid_t child = root ? ::fork() : 0;
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (root && (::setgid(nobody) != 0 || ::setuid(nobody) != 0)) {
            ::_exit(3);
        }
        loadSettings();
        bool loaded = settings.lightEnabled == 0 && settings.windowX == 5;
        settings = Settings{1, 77, 77};
        saveSettings();
        if (root) {
            ::_exit(loaded ? 0 : 4);
        }
        EXPECT_TRUE(loaded);
    } else {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 3) {
            ::chmod(".", 0755);
            GTEST_SKIP() << "cannot become an unprivileged user here";
        }
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the file was not loaded";
    }
    ::chmod(".", 0755);
    EXPECT_EQ(readFile(FileName), old);
    EXPECT_EQ(entries(), std::vector<std::string>{FileName});
}

// A file size limit makes write() fail part-way, as a full disk does.
TEST_F(SettingsFile, FullDiskKeepsTheOldFile) {
    const std::string old = gaugeFile(0, 5, 5);
    writeFile(FileName, old);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {20, 20};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            ::_exit(3);
        }
        settings = Settings{1, 123456, 123456};
        saveSettings();
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile(FileName), old);
    EXPECT_EQ(entries(), std::vector<std::string>{FileName}) << "partial temporary file removed";
}
#endif

#ifdef _WIN32
TEST_F(SettingsFile, FileHeldWithSharingIsRead) {
    writeFile(FileName, gaugeFile(0, -900, 7));
    HANDLE other =
        CreateFileA(FileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    loadSettings();
    CloseHandle(other);
    expectSettings(0, -900, 7);
}

TEST_F(SettingsFile, FileHeldWithoutSharingKeepsItsBytes) {
    const std::string old = gaugeFile(0, 5, 5);
    writeFile(FileName, old);
    HANDLE other = CreateFileA(FileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    loadSettings();
    expectSettings(1, 0, 0, "not readable while held without sharing");
    settings = Settings{1, 77, 77};
    saveSettings();
    CloseHandle(other);
    EXPECT_EQ(readFile(FileName), old);
    EXPECT_EQ(entries(), std::vector<std::string>{FileName});
}
#endif

TEST_F(SettingsFile, DamagedFilesGiveDefinedValues) {
    std::string garbage(1 << 20, '\0');
    uint32_t seed = 12345;
    for (char& c : garbage) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    std::string noHeader = garbage;
    std::replace(noHeader.begin(), noHeader.end(), '[', ' ');
    struct {
        const char* what;
        std::string file;
        int light;
        int32_t x, y;
    } const cases[] = {
        {"empty", "", 1, 0, 0},
        {"lone BOM", "\xEF\xBB\xBF", 1, 0, 0},
        {"only CRs", std::string(1 << 20, '\r'), 1, 0, 0},
        {"garbage without a header", noHeader, 1, 0, 0},
        {"NUL bytes",
         "[system]\0\nlight=0\0"
         "9\nPos\0WindowY=5\nPosWindowX=\0"
         "3\n"s,
         0, 0, 0},
        {"garbage after the values", gaugeFile(0, 1, 2) + garbage, 0, 1, 2},
        {"10 MB line", "[system]\nlight=" + std::string(10 << 20, '7') + "\nPosWindowY=-3\n", -1, 0,
         -3},
        {"10 MB header", "[" + std::string(10 << 20, 's') + "]\n[system]\nPosWindowX=4\n", 1, 4, 0},
    };
    for (const auto& c : cases) {
        writeFile(FileName, c.file);
        settings = Settings{9, 9, 9};
        loadSettings();
        expectSettings(c.light, c.x, c.y, c.what);
    }
    // Whatever random bytes say, loading them is defined and repeatable.
    writeFile(FileName, garbage);
    loadSettings();
    Settings first = settings;
    loadSettings();
    EXPECT_EQ(settings.lightEnabled, first.lightEnabled);
    EXPECT_EQ(settings.windowX, first.windowX);
    EXPECT_EQ(settings.windowY, first.windowY);
    saveSettings();
    EXPECT_EQ(readFile(FileName), gaugeFile(first.lightEnabled, first.windowX, first.windowY));
}

TEST_F(SettingsFile, FiftyMegabyteFileIsReadWhole) {
    // The values sit at both ends, so the whole file must be scanned.
    std::string file = "[system]\r\nlight = 0\r\n";
    std::string filler = "junk = 12345678901234567890\r\n";
    while (file.size() < (size_t{50} << 20)) {
        file += filler;
    }
    file += "PosWindowY = -40\r\n";
    writeFile(FileName, file);
    file.clear();
    file.shrink_to_fit();
    loadSettings();
    expectSettings(0, 0, -40);
    saveSettings();
    EXPECT_EQ(readFile(FileName), gaugeFile(0, 0, -40));
}

TEST_F(SettingsFile, FileLayerReadsWholeFilesAndRefusesOthers) {
    FileBytes bytes;
    EXPECT_FALSE(readWholeFile("missing.ini", &bytes));
    EXPECT_EQ(bytes.data, nullptr);
    writeFile("empty.ini", "");
    ASSERT_TRUE(readWholeFile("empty.ini", &bytes));
    EXPECT_EQ(bytes.size, 0u);
    releaseFileBytes(&bytes);
    const std::string all = "a\0b\r\n\xFF"s;
    writeFile("bytes.ini", all);
    ASSERT_TRUE(readWholeFile("bytes.ini", &bytes));
    EXPECT_EQ(std::string(bytes.data, bytes.size), all);
    releaseFileBytes(&bytes);
    EXPECT_FALSE(isFileReadOnly("bytes.ini"));
    EXPECT_FALSE(isFileReadOnly("missing.ini"));
    EXPECT_FALSE(replaceFileAtomically("no-such-dir/Brivane.ini", "x", 1));
    EXPECT_TRUE(replaceFileAtomically("sub.ini", "", 0));
    EXPECT_EQ(readFile("sub.ini"), "");
}

} // namespace
