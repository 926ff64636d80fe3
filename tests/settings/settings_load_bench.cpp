// settings_load_bench.cpp - prints what loadSettings() and saveSettings()
// cost: time per call and the growth of the peak resident memory, for the
// gauge's own file and for a 10 MB line and a 50 MB file. Runs in a scratch
// directory under the system temp directory. Figures only; nothing passes
// or fails. Usage: settings_load_bench
#include "settings/settings.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

long peakKilobytes() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Written in 1 MB pieces so that making the file does not raise the peak.
void writeFile(const char* head, const std::string& piece, size_t total, const char* tail) {
    FILE* f = std::fopen("Brivane.ini", "wb");
    std::fputs(head, f);
    for (size_t n = 0; n < total; n += piece.size()) {
        std::fwrite(piece.data(), 1, piece.size(), f);
    }
    std::fputs(tail, f);
    std::fclose(f);
}

// The peak is taken over the first load alone: later ones reuse freed memory
// (or, under AddressSanitizer, keep it in quarantine) and would blur it.
void measure(const char* what, int runs) {
    long before = peakKilobytes();
    auto start = std::chrono::steady_clock::now();
    loadSettings();
    long grown = peakKilobytes() - before;
    for (int i = 1; i < runs; ++i) {
        loadSettings();
    }
    double loadUs =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count() /
        runs;
    std::printf("%-28s size %10lld B  load %12.1f us  peak RSS +%7ld KB  (light %d, x %d, y %d)\n",
                what, static_cast<long long>(fs::file_size("Brivane.ini")), loadUs, grown,
                settings.lightEnabled, settings.windowX, settings.windowY);
}

} // namespace

int main() {
    fs::path home = fs::current_path();
    fs::path dir = fs::temp_directory_path() / ("vor-settings-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::current_path(dir);

    settings = Settings{1, 120, -40};
    auto start = std::chrono::steady_clock::now();
    const int saves = 50;
    for (int i = 0; i < saves; ++i) {
        saveSettings();
    }
    double saveUs =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count() /
        saves;
    std::printf("saveSettings (flush, rename, directory sync): %.1f us per save\n", saveUs);
    measure("gauge file (4 lines)", 1000);

    writeFile("[system]\nlight=", std::string(1 << 20, '7'), size_t{10} << 20, "\nPosWindowY=-3\n");
    measure("one 10 MB line", 3);

    std::string lines;
    while (lines.size() < (1 << 20)) {
        lines += "junk = 12345678901234567890\r\n";
    }
    writeFile("[system]\r\nlight = 0\r\n", lines, size_t{50} << 20, "PosWindowY = -40\r\n");
    measure("50 MB of key lines", 3);

    fs::current_path(home);
    fs::remove_all(dir);
    return 0;
}
