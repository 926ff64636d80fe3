// sim_ipc_client_bench.cpp - what the client costs per batch: the poller's
// six reads and their round trip, a block filled with the most records a
// batch can hold, and one read of the largest size. The server is the
// in-process fake, so the figures are the client's queuing, walking and
// copying plus a bounded serve, without any system call. Prints figures;
// passes or fails nothing. Build it without sanitizers (the linux-release
// preset) for the figures that matter.
#include "simlink/sim_ipc_client.h"
#include "tests/simlink/client/fake_sim_ipc_platform.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

namespace C = SimIpcClient;

void openFake() {
    C::close();
    fakeReset();
    fakeServer().keepHistory = false;
    uint32_t result = 0;
    C::open(0, &result);
}

void pollCycle(benchmark::State& state) {
    openFake();
    uint32_t result = 0;
    int8_t toFrom = 0, locNeedle = 0, gsNeedle = 0;
    uint16_t obsDegrees = 0, gsFlag = 0, lights = 0;
    for (auto _ : state) {
        C::read(0x0C4B, 1, &toFrom, &result);
        C::read(0x0C48, 1, &locNeedle, &result);
        C::read(0x0C4E, 2, &obsDegrees, &result);
        C::read(0x0C4C, 1, &gsFlag, &result);
        C::read(0x0C49, 1, &gsNeedle, &result);
        C::read(0x0D0C, 2, &lights, &result);
        benchmark::DoNotOptimize(C::process(&result));
        benchmark::DoNotOptimize(lights);
    }
    C::close();
}

void fullBlockOfSmallReads(benchmark::State& state) {
    openFake();
    uint32_t result = 0;
    uint8_t sink = 0;
    for (auto _ : state) {
        for (uint32_t i = 0; i < C::MaxQueuedRecords; ++i) {
            C::read(0x0C48, 0, &sink, &result);
        }
        benchmark::DoNotOptimize(C::process(&result));
    }
    state.SetItemsProcessed(state.iterations() * C::MaxQueuedRecords);
    C::close();
}

void largestRead(benchmark::State& state) {
    openFake();
    uint32_t result = 0;
    std::vector<uint8_t> sink(C::QueueLimit - 16);
    for (auto _ : state) {
        C::read(0, C::QueueLimit - 16, sink.data(), &result);
        benchmark::DoNotOptimize(C::process(&result));
        benchmark::DoNotOptimize(sink.data());
    }
    state.SetBytesProcessed(state.iterations() * (C::QueueLimit - 16));
    C::close();
}

BENCHMARK(pollCycle);
BENCHMARK(fullBlockOfSmallReads);
BENCHMARK(largestRead);

} // namespace

BENCHMARK_MAIN();
