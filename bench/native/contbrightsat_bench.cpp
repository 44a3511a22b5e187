// Colour adjustment against a plain copy of the same 32-bit picture; the ratio of the
// two times is what matters for keeping up with the capture rate.
#include "app/contbrightsat.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

std::vector<std::uint8_t> testPicture(int width, int height) {
    std::vector<std::uint8_t> buf(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    std::uint32_t seed = 0x2545F491u;
    for (auto& b : buf) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(seed >> 24);
    }
    return buf;
}

void report(benchmark::State& state, int width, int height) {
    const auto pixels = static_cast<std::int64_t>(width) * height;
    state.SetItemsProcessed(state.iterations() * pixels);
    state.SetBytesProcessed(state.iterations() * pixels * 4);
}

void BM_ContBrightSat_Adjust(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    auto buf = testPicture(width, height);
    const ocellus::PixelView view{width, height, buf.data(), static_cast<std::ptrdiff_t>(width) * 4, 4};
    for (auto _ : state) {
        ocellus::AdjustBitmapColours(view, 250, 70, 290);
        benchmark::DoNotOptimize(buf.data());
        benchmark::ClobberMemory();
    }
    report(state, width, height);
}

void BM_ContBrightSat_Memcpy(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const auto src = testPicture(width, height);
    std::vector<std::uint8_t> dst(src.size());
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    report(state, width, height);
}

}  // namespace

BENCHMARK(BM_ContBrightSat_Adjust)->Args({572, 356})->Args({1920, 1080});
BENCHMARK(BM_ContBrightSat_Memcpy)->Args({572, 356})->Args({1920, 1080});
