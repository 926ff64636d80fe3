// bench_roundtrip.cpp - prints how many round trips a second the link makes
// with a server that answers at once: back to back, and as the poller runs
// them (six reads, then the 1 ms pause). Not a test: it prints figures.
//
//   bench_roundtrip [seconds]    (a server must be running: sim-standin)
// bench-roundtrip.sh beside this file starts the stand-in and runs this.
#include "app/pause.h"
#include "simlink/sim_ipc_client.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

struct Six {
    int8_t toFrom, locNeedle, gsNeedle;
    uint16_t obsDegrees, gsFlag, lights;
};

bool cycle(Six* v, uint32_t* result) {
    SimIpcClient::read(0x0C4B, 1, &v->toFrom, result);
    SimIpcClient::read(0x0C48, 1, &v->locNeedle, result);
    SimIpcClient::read(0x0C4E, 2, &v->obsDegrees, result);
    SimIpcClient::read(0x0C4C, 1, &v->gsFlag, result);
    SimIpcClient::read(0x0C49, 1, &v->gsNeedle, result);
    SimIpcClient::read(0x0D0C, 2, &v->lights, result);
    return SimIpcClient::process(result);
}

// Runs cycles for the given time; prints the rate and the round trip's
// median and 99th percentile in microseconds.
bool measure(const char* what, double seconds, bool pause) {
    std::vector<double> times;
    times.reserve(static_cast<size_t>(seconds * 200000));
    Six v{};
    uint32_t result = 0;
    double start = now(), end = start + seconds;
    while (now() < end) {
        double t0 = now();
        if (!cycle(&v, &result)) {
            std::printf("%s: round trip failed (result %u)\n", what, result);
            return false;
        }
        times.push_back(now() - t0);
        if (pause) {
            pauseMilliseconds(1);
        }
    }
    double span = now() - start;
    std::sort(times.begin(), times.end());
    std::printf("%-34s %8.0f round trips/s   round trip median %6.1f us, 99%% %7.1f us\n", what,
                static_cast<double>(times.size()) / span, times[times.size() / 2] * 1e6,
                times[times.size() * 99 / 100] * 1e6);
    return true;
}

// The pause alone, for comparison: the poll cycle cannot beat it.
void measurePause(double seconds) {
    double start = now(), end = start + seconds;
    uint64_t n = 0;
    while (now() < end) {
        pauseMilliseconds(1);
        ++n;
    }
    std::printf("%-34s %8.0f pauses/s\n",
                "1 ms pause alone:", static_cast<double>(n) / (now() - start));
}

} // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    if (!(seconds > 0) || seconds > 600) {
        std::fprintf(stderr, "usage: bench_roundtrip [seconds]\n");
        return 2;
    }
    uint32_t result = 0;
    double deadline = now() + 30;
    while (!SimIpcClient::open(0, &result)) {
        if (now() > deadline) {
            std::fprintf(stderr, "bench_roundtrip: no server (result %u)\n", result);
            return 1;
        }
        pauseMilliseconds(100);
    }
    bool ok = measure("back to back:", seconds, false) &&
              measure("poll cycle (six reads + 1 ms pause):", seconds, true);
    measurePause(seconds);
    SimIpcClient::close();
    std::fflush(stdout);
    return ok ? 0 : 1;
}
