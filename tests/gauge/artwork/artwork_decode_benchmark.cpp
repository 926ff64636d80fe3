// artwork_decode_benchmark.cpp - prints what decoding the built-in images
// costs at start-up: all eleven, and the largest ones alone. Not a test.
//
//   build/<dir>/tests/gauge/artwork/artwork_decode_benchmark
#include "gauge/embedded_art.h"
#include "gauge/png_decode.h"

#include <benchmark/benchmark.h>

namespace {

void decodeImages(benchmark::State& state, int first, int last) {
    size_t bytes = 0;
    for (auto _ : state) {
        for (int i = first; i <= last; ++i) {
            DecodedImage img;
            if (!decodePng(embeddedImages[i].bytes, embeddedImages[i].size, &img)) {
                state.SkipWithError("decode failed");
                return;
            }
            bytes += static_cast<size_t>(img.width) * img.height * 4;
            benchmark::DoNotOptimize(img.pixels);
            freeDecodedImage(&img);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

void BM_DecodeAllElevenImages(benchmark::State& state) {
    decodeImages(state, 0, EmbeddedImageCount - 1);
}
void BM_DecodeBezel(benchmark::State& state) {
    decodeImages(state, 0, 0);
}
void BM_DecodeNeedle(benchmark::State& state) {
    decodeImages(state, 3, 3);
}

BENCHMARK(BM_DecodeAllElevenImages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeBezel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeNeedle)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
