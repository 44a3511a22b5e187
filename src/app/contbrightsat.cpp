#include "app/contbrightsat.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/arithmetic.h"

namespace ocellus {

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// NaN and out-of-range values clamp.
std::uint8_t toByte(long double v) {
    if (!(v > 0.0L)) return 0;  // also catches NaN
    if (v >= 255.0L) return 255;
    return static_cast<std::uint8_t>(roundHalfEven(v));
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
        // Wraps like 32-bit int arithmetic, without the signed-overflow UB.
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

// pixel(b0, b1, b2) gives the adjusted bytes packed as r0 | r1 << 8 | r2 << 16. Indexing rows
// rather than stepping keeps the pointer inside the buffer even after the last row of a
// bottom-up picture.
template <typename PixelFn>
void forEachPixel3(const PixelView& bitmap, PixelFn pixel) {
    const auto rowBytes = static_cast<std::ptrdiff_t>(bitmap.width) * 3;
    for (int y = 0; y < bitmap.height; ++y) {
        std::uint8_t* const row = bitmap.row0 + static_cast<std::ptrdiff_t>(y) * bitmap.stride;
        for (std::uint8_t *p = row, *const end = row + rowBytes; p != end; p += 3) {
            const std::uint32_t out = pixel(p[0], p[1], p[2]);
            p[0] = static_cast<std::uint8_t>(out);
            p[1] = static_cast<std::uint8_t>(out >> 8);
            p[2] = static_cast<std::uint8_t>(out >> 16);
        }
    }
}

// Each 4-byte pixel is read once and written once: storing bytes and then reading the word back
// would stall on every pixel. The picture is a magnification, so most pixels repeat their left
// neighbour: those take the neighbour's result instead of being worked out again. The fourth byte
// stays as it was.
template <typename PixelFn>
void forEachPixel4(const PixelView& bitmap, PixelFn pixel) {
    const auto rowBytes = static_cast<std::ptrdiff_t>(bitmap.width) * 4;
    for (int y = 0; y < bitmap.height; ++y) {
        std::uint8_t* const row = bitmap.row0 + static_cast<std::ptrdiff_t>(y) * bitmap.stride;
        std::uint32_t lastIn = 0xFFFFFFFFu;  // never equals a 24-bit colour
        std::uint32_t lastOut = 0;
        for (std::uint8_t *p = row, *const end = row + rowBytes; p != end; p += 4) {
            std::uint32_t px;
            std::memcpy(&px, p, 4);
            const std::uint32_t colour = px & 0x00FFFFFFu;
            if (colour != lastIn) {
                lastIn = colour;
                lastOut = pixel(px & 0xFFu, (px >> 8) & 0xFFu, (px >> 16) & 0xFFu);
            }
            const std::uint32_t out = (px & 0xFF000000u) | lastOut;
            std::memcpy(p, &out, 4);
        }
    }
}

template <int Bpp, typename PixelFn>
void forEachPixelOf(const PixelView& bitmap, PixelFn pixel) {
    if constexpr (Bpp == 4) forEachPixel4(bitmap, pixel);
    else forEachPixel3(bitmap, pixel);
}

inline std::uint32_t pack(unsigned r0, unsigned r1, unsigned r2) { return r0 | (r1 << 8) | (r2 << 16); }

// The level map over every index grey + weight can reach, clamping folded in, so each byte costs
// two loads from tables that stay in the first-level cache. Only when the reachable range is small,
// as it is for the program's own settings (about 330 entries).
constexpr std::int32_t kMaxExtendedLevels = 4096;

struct ExtendedLevels {
    std::array<std::uint8_t, kMaxExtendedLevels> level;
    std::array<std::int32_t, 768> base;  // grey[sum] less the lowest reachable index
};

bool buildExtendedLevels(ExtendedLevels& e, const Tables& t) {
    const auto [minW, maxW] = std::minmax_element(t.weight.begin(), t.weight.end());
    const auto [minG, maxG] = std::minmax_element(t.grey.begin(), t.grey.end());
    const std::int64_t lo = std::int64_t{*minG} + *minW, hi = std::int64_t{*maxG} + *maxW;
    if (hi - lo + 1 > kMaxExtendedLevels) return false;
    for (std::int64_t i = lo; i <= hi; ++i)
        e.level[static_cast<std::size_t>(i - lo)] =
            t.levelMap[static_cast<std::size_t>(std::clamp<std::int64_t>(i, 0, 255))];
    for (std::size_t s = 0; s < 768; ++s) e.base[s] = static_cast<std::int32_t>(t.grey[s] - lo);
    return true;
}

template <int Bpp>
void adjustRows(const PixelView& bitmap, const Tables& t) {
    if (ExtendedLevels e; buildExtendedLevels(e, t)) {
        const std::uint8_t* const level = e.level.data();
        const std::int32_t* const base = e.base.data();
        const std::uint16_t* const weight = t.weight.data();
        forEachPixelOf<Bpp>(bitmap, [=](unsigned b0, unsigned b1, unsigned b2) {
            const std::uint8_t* const row = level + base[b0 + b1 + b2];
            return pack(row[weight[b0]], row[weight[b1]], row[weight[b2]]);
        });
        return;
    }
    // Settings far outside the program's own: the clamp stays in the loop.
    const std::uint8_t* const levelMap = t.levelMap.data();
    const std::uint16_t* const weight = t.weight.data();
    const std::int32_t* const grey = t.grey.data();
    forEachPixelOf<Bpp>(bitmap, [=](unsigned b0, unsigned b1, unsigned b2) {
        const std::int32_t base = grey[b0 + b1 + b2];
        auto map = [&](unsigned v) { return levelMap[std::clamp<std::int32_t>(base + weight[v], 0, 255)]; };
        return pack(map(b0), map(b1), map(b2));
    });
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
