#include "app/contbrightsat.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace ocellus {

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// Half to even, independent of the FPU rounding mode; NaN and out-of-range values clamp.
std::uint8_t toByte(long double v) {
    if (!(v > 0.0L)) return 0;  // also catches NaN
    if (v >= 255.0L) return 255;
    const long double f = std::floor(v);
    const long double diff = v - f;
    int n = static_cast<int>(f);
    if (diff > 0.5L || (diff == 0.5L && (n % 2) != 0)) ++n;
    return static_cast<std::uint8_t>(std::min(n, 255));
}

struct Tables {
    std::array<std::uint8_t, 256> levelMap;
    std::array<std::uint16_t, 256> weight;
    std::array<std::int32_t, 768> grey;
};

void buildTables(Tables& t, std::int32_t brightness, std::int32_t contrast,
                 std::int32_t saturation) {
    const std::array<std::uint8_t, 256> curve = contrastCurve(contrast);
    for (std::int64_t j = 0; j < 256; ++j) {
        // 32-bit wrap-around as the original integer arithmetic had it, without UB.
        const auto raw = static_cast<std::uint32_t>(
            static_cast<std::uint64_t>(256 - std::int64_t{brightness} + std::int64_t{brightness} * j));
        const auto wrapped = static_cast<std::int32_t>(raw);
        const std::int32_t q = std::clamp<std::int32_t>(wrapped / 256, 0, 255);
        t.levelMap[static_cast<std::size_t>(j)] = curve[static_cast<std::size_t>(q)];
    }
    for (std::int64_t m = 0; m < 256; ++m) {
        const auto product = static_cast<std::uint32_t>(
            static_cast<std::uint64_t>((m + 1) * std::int64_t{saturation}));
        const auto w = static_cast<std::uint16_t>(product >> 8);
        t.weight[static_cast<std::size_t>(m)] = w;
        const auto g = static_cast<std::int32_t>(m) - static_cast<std::int32_t>(w);
        for (std::size_t c = 0; c < 3; ++c) t.grey[static_cast<std::size_t>(3 * m) + c] = g;
    }
}

// Combines the clamp and the level map into one table over every value base + weight
// can take, when that range is small (it is for any sensible saturation).
constexpr std::int32_t kMaxFusedRange = 8192;

struct Fused {
    std::array<std::uint8_t, kMaxFusedRange> out;
    std::int32_t offset;  // added to grey so that indices start at 0
};

bool buildFused(Fused& f, const Tables& t) {
    const auto [gMin, gMax] = std::minmax_element(t.grey.begin(), t.grey.end());
    const auto [wMin, wMax] = std::minmax_element(t.weight.begin(), t.weight.end());
    const std::int32_t lo = *gMin + *wMin;
    const std::int32_t hi = *gMax + *wMax;
    if (hi - lo >= kMaxFusedRange) return false;
    for (std::int32_t n = lo; n <= hi; ++n)
        f.out[static_cast<std::size_t>(n - lo)] = t.levelMap[static_cast<std::size_t>(std::clamp(n, 0, 255))];
    f.offset = -lo;
    return true;
}

template <int Bpp, typename Map>
void walkRows(const PixelView& bitmap, const std::int32_t* grey, Map map) {
    const int height = bitmap.height;
    const auto rowBytes = static_cast<std::ptrdiff_t>(bitmap.width) * Bpp;
    for (int y = 0; y < height; ++y) {
        // Indexing rather than stepping keeps the pointer inside the buffer even after
        // the last row of a bottom-up picture.
        std::uint8_t* p = bitmap.row0 + static_cast<std::ptrdiff_t>(y) * bitmap.stride;
        std::uint8_t* const end = p + rowBytes;
        for (; p != end; p += Bpp) {
            const unsigned b0 = p[0], b1 = p[1], b2 = p[2];
            const std::int32_t base = grey[b0 + b1 + b2];
            const std::uint8_t r0 = map(base, b0), r1 = map(base, b1), r2 = map(base, b2);
            p[0] = r0;
            p[1] = r1;
            p[2] = r2;
        }
    }
}

template <int Bpp>
void adjustRows(const PixelView& bitmap, const Tables& t) {
    const std::uint16_t* const weight = t.weight.data();
    if (auto fused = std::make_unique<Fused>(); buildFused(*fused, t)) {
        std::array<std::int32_t, 768> grey;
        for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = t.grey[i] + fused->offset;
        const std::uint8_t* const out = fused->out.data();
        walkRows<Bpp>(bitmap, grey.data(),
                      [=](std::int32_t base, unsigned v) { return out[base + weight[v]]; });
    } else {
        const std::uint8_t* const levelMap = t.levelMap.data();
        walkRows<Bpp>(bitmap, t.grey.data(), [=](std::int32_t base, unsigned v) {
            return levelMap[std::clamp<std::int32_t>(base + weight[v], 0, 255)];
        });
    }
}

}  // namespace

double contrastFactor(std::int32_t contrast) {
    if (contrast == 100) contrast = 99;  // the curve is vertical at 100
    const long double c = static_cast<long double>(contrast);
    if (contrast > 0) return static_cast<double>(1.0L / std::cos(c * (kPi / 200.0L)));
    return static_cast<double>(std::cos(c * 0.015708L));
}

std::array<std::uint8_t, 256> contrastCurve(std::int32_t contrast) {
    const long double k = contrastFactor(contrast);  // a double, widened for the curve
    std::array<std::uint8_t, 256> curve{};
    for (int i = 0; i < 256; ++i)
        curve[static_cast<std::size_t>(i)] =
            toByte(static_cast<long double>(i - 170) * k + 170.0L);
    return curve;
}

void AdjustBitmapColours(const PixelView& bitmap, std::int32_t brightness, std::int32_t contrast,
                         std::int32_t saturation) {
    if (bitmap.width <= 0 || bitmap.height <= 0 || bitmap.row0 == nullptr) return;
    if (bitmap.bytesPerPixel != 3 && bitmap.bytesPerPixel != 4) return;
    Tables t;
    buildTables(t, brightness, contrast, saturation);
    if (bitmap.bytesPerPixel == 4)
        adjustRows<4>(bitmap, t);
    else
        adjustRows<3>(bitmap, t);
}

}  // namespace ocellus
