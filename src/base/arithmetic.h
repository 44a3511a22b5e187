// Integer arithmetic the rules share: saturation to int and rounding that no FPU mode changes.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace ocellus {

inline int saturate(std::int64_t v) {
    return static_cast<int>(
        std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Half to even, saturated to int; NaN gives 0.
inline int roundHalfEven(long double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<long double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (v <= static_cast<long double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    const long double f = std::floor(v);
    const long double diff = v - f;
    auto n = static_cast<std::int64_t>(f);
    if (diff > 0.5L || (diff == 0.5L && (n % 2) != 0)) ++n;
    return saturate(n);
}

}  // namespace ocellus
