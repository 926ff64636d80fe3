// bench_probe.cpp - measuring probe for scripts/bench (native, X11).
//
//   vor-bench-probe roundtrips SECONDS
//       Serves the IPC protocol on one thread and runs the gauge's poll batch
//       (six reads, one process) back to back on another, through the real
//       native IPC layer. Prints "roundtrips_per_s", and the median and 99th
//       percentile of one round trip in microseconds.
//   vor-bench-probe latency GAUGE CHANGES
//       Serves the protocol with fixed values, starts GAUGE (in the current
//       directory), waits for its window and link, then changes the LOC
//       deflection CHANGES times (alternating, at random phases) and watches
//       one row of the window's pixels with XGetImage until it changes.
//       Prints the change-to-screen latency (median, p99, max in ms), the
//       gauge's poll rate while connected and the gauge's pid lines.
//   vor-bench-probe startup GAUGE RUNS
//       Starts GAUGE RUNS times without any server and measures from just
//       before fork() to the first time the window shows a non-black pixel.
//       Prints median, min and max in ms.
//
// Output lines are "key value..." for the script to pick up. Needs DISPLAY
// (an Xvfb of the caller's) and VOR_IPC_DIR for an isolated IPC directory.
// Limits: the window is found by its title among the root's children, which
// holds without a window manager (Xvfb); the gauge is ended with SIGKILL.
#include "simlink/posix/ipc_posix_server.h"
#include "simlink/sim_ipc_client.h"
#include "simlink/sim_ipc_platform.h"
#include "tools/sim-standin/standin.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char* const GaugeTitle = "VOR Tavrin - 1.01";
constexpr int ClientSize = 300;
constexpr uint32_t LocOffset = 0x0C48;

double secondsSince(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    size_t i = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// ---- the server side: the stand-in's core over the native layer ----------

struct ProbeServer {
    IpcPosixServer ipc;
    StandinConfig config;
    StandinState state;
    std::mutex lock; // state.values, against the measuring thread
    std::atomic<uint64_t> batches{0};
    std::atomic<bool> stop{false};
    uint32_t messageId;
    char blockName[300];
    IpcMapping mapping;
    void* view;
    uint32_t viewSize;
};

ProbeServer server;

uint32_t serveOne(uint64_t firstParam) {
    char name[300];
    if (firstParam > 0xFFFF ||
        ipcGetAtomName(static_cast<uint16_t>(firstParam), name, sizeof name) == 0) {
        return 0;
    }
    // Kept mapped while messages name the same block, as the stand-in does.
    if (!server.view || std::strcmp(name, server.blockName) != 0) {
        if (server.view) {
            ipcUnmapView(server.view);
        }
        if (server.mapping) {
            ipcCloseMapping(server.mapping);
        }
        server.mapping = ipcOpenMapping(name);
        server.view = server.mapping ? ipcMapView(server.mapping) : nullptr;
        server.viewSize = server.mapping ? ipcMappingSize(server.mapping) : 0;
        std::snprintf(server.blockName, sizeof server.blockName, "%s", name);
        if (!server.view) {
            return 0;
        }
    }
    std::lock_guard<std::mutex> hold(server.lock);
    return standinServeBatch(&server.state, server.config, static_cast<uint8_t*>(server.view),
                             server.viewSize, nullptr);
}

void serveLoop() {
    while (!server.stop.load(std::memory_order_relaxed)) {
        IpcPosixMessage message;
        if (!ipcServerReceive(&server.ipc, 20, &message)) {
            continue;
        }
        uint32_t reply = message.message == server.messageId ? serveOne(message.firstParam) : 0;
        ipcServerReply(&server.ipc, message, reply);
        if (message.message == server.messageId) {
            server.batches.fetch_add(1, std::memory_order_relaxed);
        }
    }
}

bool startServer(std::thread* thread) {
    char program[] = "vor-bench-probe";
    char* argv[] = {program, nullptr};
    if (parseStandinArgs(1, argv, &server.config, stderr) != StandinParse::Run) {
        return false;
    }
    initStandinState(&server.state, server.config);
    if (!ipcServerAnnounce(&server.ipc, server.config.className)) {
        std::fprintf(stderr, "probe: cannot own the window class (another server?)\n");
        return false;
    }
    server.messageId = ipcRegisterMessage("FsasmLib:IPC");
    *thread = std::thread(serveLoop);
    return true;
}

void stopServer(std::thread* thread) {
    server.stop = true;
    thread->join();
    ipcServerClose(&server.ipc);
}

void setLoc(int8_t value) {
    std::lock_guard<std::mutex> hold(server.lock);
    server.state.values[LocOffset] = static_cast<uint8_t>(value);
}

// ---- the gauge and its window --------------------------------------------

pid_t startGauge(const char* path) {
    pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(path, path, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

void endGauge(pid_t pid) {
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

bool gaugeAlive(pid_t pid) {
    return ::waitpid(pid, nullptr, WNOHANG) == 0;
}

Window findWindow(Display* d, const char* title) {
    Window root = DefaultRootWindow(d);
    Window parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = None;
    if (!XQueryTree(d, root, &root, &parent, &children, &count)) {
        return None;
    }
    for (unsigned i = 0; i < count && found == None; ++i) {
        char* name = nullptr;
        if (XFetchName(d, children[i], &name) && name) {
            XWindowAttributes a;
            if (std::strcmp(name, title) == 0 && XGetWindowAttributes(d, children[i], &a) &&
                a.map_state == IsViewable && a.width == ClientSize && a.height == ClientSize) {
                found = children[i];
            }
            XFree(name);
        }
    }
    if (children) {
        XFree(children);
    }
    return found;
}

// The pixels of a region of the window as raw bytes; false when it cannot be
// read (window gone, not yet mapped).
bool grab(Display* d, Window w, int x, int y, int width, int height, std::vector<uint8_t>* out) {
    XImage* image = XGetImage(d, w, x, y, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) {
        return false;
    }
    out->clear();
    for (int row = 0; row < height; ++row) {
        const uint8_t* start =
            reinterpret_cast<const uint8_t*>(image->data) + row * image->bytes_per_line;
        out->insert(out->end(), start, start + width * (image->bits_per_pixel / 8));
    }
    XDestroyImage(image);
    return true;
}

bool anyNonBlack(const std::vector<uint8_t>& pixels) {
    // 32 bits a pixel, the pad byte ignored.
    for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
        if (pixels[i] | pixels[i + 1] | pixels[i + 2]) {
            return true;
        }
    }
    return false;
}

int xErrorIgnored(Display*, XErrorEvent*) {
    return 0; // a window that goes away between lookup and read
}

Display* openDisplay() {
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "probe: cannot open the display (DISPLAY unset?)\n");
        return nullptr;
    }
    XSetErrorHandler(xErrorIgnored);
    return d;
}

// Waits for the gauge's window to show a non-black pixel; the window, or
// None after the deadline or when the gauge died.
Window waitFirstFrame(Display* d, pid_t gauge, double deadlineSeconds) {
    Clock::time_point t0 = Clock::now();
    std::vector<uint8_t> pixels;
    Window w = None;
    while (secondsSince(t0) < deadlineSeconds && gaugeAlive(gauge)) {
        if (w == None) {
            w = findWindow(d, GaugeTitle);
        }
        if (w != None && grab(d, w, 0, 0, ClientSize, ClientSize, &pixels) && anyNonBlack(pixels)) {
            return w;
        }
        ::usleep(200);
    }
    return None;
}

// ---- the modes -----------------------------------------------------------

int runRoundTrips(double seconds) {
    std::thread thread;
    if (!startServer(&thread)) {
        return 1;
    }
    uint32_t result = 0;
    if (!SimIpcClient::open(0, &result)) {
        std::fprintf(stderr, "probe: client open failed (%u)\n", result);
        stopServer(&thread);
        return 1;
    }
    struct {
        int8_t toFrom, loc, gs;
        uint8_t gsFlag;
        uint16_t obs, lights;
    } v{};
    std::vector<double> trips;
    trips.reserve(200000);
    Clock::time_point start = Clock::now();
    bool ok = true;
    while (ok && secondsSince(start) < seconds) {
        Clock::time_point t = Clock::now();
        SimIpcClient::read(0x0C4B, 1, &v.toFrom, &result);
        SimIpcClient::read(0x0C48, 1, &v.loc, &result);
        SimIpcClient::read(0x0C4E, 2, &v.obs, &result);
        SimIpcClient::read(0x0C4C, 1, &v.gsFlag, &result);
        SimIpcClient::read(0x0C49, 1, &v.gs, &result);
        SimIpcClient::read(0x0D0C, 2, &v.lights, &result);
        ok = SimIpcClient::process(&result);
        trips.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t).count());
    }
    double elapsed = secondsSince(start);
    SimIpcClient::close();
    stopServer(&thread);
    if (!ok) {
        std::fprintf(stderr, "probe: a round trip failed (%u)\n", result);
        return 1;
    }
    std::printf("roundtrips_per_s %.0f\n", static_cast<double>(trips.size()) / elapsed);
    std::printf("roundtrip_us median %.1f p99 %.1f\n", percentile(trips, 0.5),
                percentile(trips, 0.99));
    return 0;
}

int runLatency(const char* gaugePath, int changes) {
    Display* d = openDisplay();
    if (!d) {
        return 1;
    }
    std::thread thread;
    if (!startServer(&thread)) {
        return 1;
    }
    const int8_t states[2] = {-60, 60};
    setLoc(states[0]);
    pid_t gauge = startGauge(gaugePath);
    std::printf("gauge_pid %d\n", static_cast<int>(gauge));
    std::fflush(stdout);
    auto fail = [&](const char* why) {
        std::fprintf(stderr, "probe: %s\n", why);
        endGauge(gauge);
        stopServer(&thread);
        return 1;
    };
    Window w = waitFirstFrame(d, gauge, 30);
    if (w == None) {
        return fail("no gauge window with a frame within 30 s");
    }
    Clock::time_point t0 = Clock::now();
    while (server.batches.load() < 500 && secondsSince(t0) < 30) {
        ::usleep(1000);
    }
    if (server.batches.load() < 500) {
        return fail("the gauge did not connect within 30 s");
    }

    // Calibration: the row of the client area that differs most between the
    // two needle positions is the one watched. The back buffer is never
    // cleared, so the soft edges of the layers settle over a few frames:
    // alternate first, then take both pictures.
    for (int k = 0; k < 8; ++k) {
        setLoc(states[k % 2]);
        ::usleep(100000);
    }
    std::vector<uint8_t> frames[2];
    for (int s = 0; s < 2; ++s) {
        setLoc(states[s]);
        ::usleep(300000);
        if (!grab(d, w, 0, 0, ClientSize, ClientSize, &frames[s])) {
            return fail("cannot read the window");
        }
    }
    const size_t rowBytes = frames[0].size() / ClientSize;
    int bestRow = -1;
    int bestCount = 0;
    for (int row = 0; row < ClientSize; ++row) {
        int count = 0;
        for (size_t i = 0; i < rowBytes; ++i) {
            count += frames[0][row * rowBytes + i] != frames[1][row * rowBytes + i] ? 1 : 0;
        }
        if (count > bestCount) {
            bestCount = count;
            bestRow = row;
        }
    }
    if (bestRow < 0) {
        return fail("the needle does not move the pixels");
    }
    std::vector<uint8_t> expected[2];
    for (int s = 0; s < 2; ++s) {
        expected[s].assign(frames[s].begin() + static_cast<long>(bestRow * rowBytes),
                           frames[s].begin() + static_cast<long>((bestRow + 1) * rowBytes));
    }

    std::mt19937 random(12345);
    std::uniform_int_distribution<int> phase(0, 20000); // two passes of the loop
    std::vector<double> latencies;
    int misses = 0;
    int unsettled = 0; // changes after which the row did not reach its picture
    int current = 1;
    std::vector<uint8_t> strip;
    const uint64_t batchesBefore = server.batches.load();
    Clock::time_point measureStart = Clock::now();
    for (int i = 0; i < changes; ++i) {
        ::usleep(static_cast<useconds_t>(phase(random)));
        const int next = 1 - current;
        setLoc(states[next]);
        Clock::time_point changed = Clock::now();
        bool seen = false;
        while (secondsSince(changed) < 1.0) {
            if (grab(d, w, 0, bestRow, ClientSize, 1, &strip) && strip != expected[current]) {
                seen = true;
                break;
            }
            ::usleep(100); // leaves the X server and the gauge their share
        }
        if (seen) {
            latencies.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - changed).count());
        } else {
            ++misses;
        }
        // Settled on the new frame before the next change.
        Clock::time_point settle = Clock::now();
        while (secondsSince(settle) < 1.0 &&
               !(grab(d, w, 0, bestRow, ClientSize, 1, &strip) && strip == expected[next])) {
            ::usleep(200);
        }
        unsettled += strip == expected[next] ? 0 : 1;
        current = next;
    }
    const double measured = secondsSince(measureStart);
    const double pollRate = static_cast<double>(server.batches.load() - batchesBefore) / measured;
    endGauge(gauge);
    stopServer(&thread);
    XCloseDisplay(d);
    std::printf("latency_ms median %.2f p99 %.2f max %.2f changes %zu misses %d unsettled %d "
                "row %d\n",
                percentile(latencies, 0.5), percentile(latencies, 0.99),
                latencies.empty() ? 0.0 : *std::max_element(latencies.begin(), latencies.end()),
                latencies.size(), misses, unsettled, bestRow);
    std::printf("poll_rate_per_s %.0f\n", pollRate);
    return misses == 0 && unsettled == 0 ? 0 : 1;
}

int runStartup(const char* gaugePath, int runs) {
    Display* d = openDisplay();
    if (!d) {
        return 1;
    }
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        Clock::time_point t0 = Clock::now();
        pid_t gauge = startGauge(gaugePath);
        Window w = waitFirstFrame(d, gauge, 30);
        double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        endGauge(gauge);
        if (w == None) {
            std::fprintf(stderr, "probe: run %d showed no frame within 30 s\n", i);
            return 1;
        }
        times.push_back(ms);
        // Let the window go before the next start finds it.
        Clock::time_point t1 = Clock::now();
        while (findWindow(d, GaugeTitle) != None && secondsSince(t1) < 5) {
            ::usleep(1000);
        }
    }
    XCloseDisplay(d);
    std::printf("startup_ms median %.1f min %.1f max %.1f runs %d\n", percentile(times, 0.5),
                *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()), runs);
    return 0;
}

void usage() {
    std::fputs("usage: vor-bench-probe roundtrips SECONDS\n"
               "       vor-bench-probe latency GAUGE CHANGES\n"
               "       vor-bench-probe startup GAUGE RUNS\n",
               stderr);
}

} // namespace

int main(int argc, char** argv) {
    signal(SIGPIPE, SIG_IGN);
    if (argc == 3 && std::strcmp(argv[1], "roundtrips") == 0) {
        return runRoundTrips(std::atof(argv[2]));
    }
    if (argc == 4 && std::strcmp(argv[1], "latency") == 0) {
        return runLatency(argv[2], std::atoi(argv[3]));
    }
    if (argc == 4 && std::strcmp(argv[1], "startup") == 0) {
        return runStartup(argv[2], std::atoi(argv[3]));
    }
    usage();
    return 2;
}
