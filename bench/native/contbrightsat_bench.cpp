// Colour adjustment against a plain copy of the same 32-bit picture; the ratio of the
// two times is what matters for keeping up with the capture rate.
#include "app/contbrightsat.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Noise magnified by zoom: zoom 1 is the worst case (no two neighbours alike), zoom 3 what the
// default x3 view hands over (every source pixel repeated over 3 x 3).
std::vector<std::uint8_t> testPicture(int width, int height, int zoom = 1) {
    std::vector<std::uint8_t> buf(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    auto noise = [](std::uint32_t x, std::uint32_t y) {
        std::uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u;
        h ^= h >> 15;
        h *= 0x2C1B3C6Du;
        return h ^ (h >> 12);
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = noise(static_cast<std::uint32_t>(x / zoom), static_cast<std::uint32_t>(y / zoom));
            std::memcpy(&buf[(static_cast<std::size_t>(y) * width + x) * 4], &v, 4);
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
    const auto original = testPicture(width, height, static_cast<int>(state.range(2)));
    auto buf = original;
    const ocellus::PixelView view{width, height, buf.data(), static_cast<std::ptrdiff_t>(width) * 4, 4};
    for (auto _ : state) {
        // Each capture adjusts a fresh picture; restoring it is not part of the figure.
        state.PauseTiming();
        std::memcpy(buf.data(), original.data(), buf.size());
        state.ResumeTiming();
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

// 190 x 118 is the source area of a 572 x 356 picture at x3, which a plain capture adjusts.
BENCHMARK(BM_ContBrightSat_Adjust)
    ->ArgNames({"w", "h", "zoom"})
    ->Args({190, 118, 1})
    ->Args({572, 356, 1})
    ->Args({572, 356, 3})
    ->Args({1920, 1080, 1})
    ->Args({1920, 1080, 3});
BENCHMARK(BM_ContBrightSat_Memcpy)->Args({572, 356})->Args({1920, 1080});
