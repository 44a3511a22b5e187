// The brightness, contrast and saturation adjustment worked out one pixel at a time straight from its
// formulas, to check the program's table-driven routine against. Plain C++: the native tests use it too.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace testing_support {

// Level i becomes (i - 170) * k + 170, rounded half to even and clamped to a byte. k is held as a
// double; contrast 100 counts as 99, where the curve would stand vertical.
inline std::array<std::uint8_t, 256> referenceContrastCurve(std::int32_t contrast) {
    constexpr long double pi = 3.141592653589793238462643383279502884L;
    const long double c = contrast == 100 ? 99.0L : static_cast<long double>(contrast);
    const double k = static_cast<double>(contrast > 0 ? 1.0L / std::cos(c * (pi / 200.0L)) : std::cos(c * 0.015708L));
    std::array<std::uint8_t, 256> curve{};
    for (int i = 0; i < 256; ++i) {
        const long double v = std::clamp(static_cast<long double>(i - 170) * k + 170.0L, 0.0L, 255.0L);
        curve[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::nearbyint(v));  // ties to even
    }
    return curve;
}

// Saturation about the pixel's truncated mean, then brightness, then the contrast curve; 32-bit
// arithmetic wraps as the routine's does.
class ColourReference {
public:
    ColourReference(std::int32_t brightness, std::int32_t contrast, std::int32_t saturation)
        : brightness_(brightness), saturation_(saturation), curve_(referenceContrastCurve(contrast)) {}

    // Adjusts the three colour bytes at p.
    void apply(std::uint8_t* p) const {
        const int mean = (p[0] + p[1] + p[2]) / 3;
        const int base = mean - weight(mean);
        std::uint8_t out[3];
        for (int c = 0; c < 3; ++c) out[c] = level(std::clamp(base + weight(p[c]), 0, 255));
        std::copy(out, out + 3, p);
    }

private:
    int weight(int m) const {
        return static_cast<std::uint16_t>(
            static_cast<std::uint32_t>(static_cast<std::int64_t>(m + 1) * saturation_) >> 8);
    }
    std::uint8_t level(int j) const {
        const auto t = static_cast<std::int32_t>(static_cast<std::uint32_t>(
            static_cast<std::uint64_t>(256 - std::int64_t{brightness_} + std::int64_t{brightness_} * j)));
        return curve_[static_cast<std::size_t>(std::clamp(t / 256, 0, 255))];
    }
    std::int32_t brightness_, saturation_;
    std::array<std::uint8_t, 256> curve_;
};

}  // namespace testing_support
