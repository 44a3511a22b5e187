// A rectangle in screen coordinates, right and bottom exclusive. Platform-free, for the rules.
#pragma once

#include <cstdint>

#include "base/arithmetic.h"

namespace ocellus {

struct IntRect {
    int left, top, right, bottom;
    int width() const { return saturate(std::int64_t{right} - left); }
    int height() const { return saturate(std::int64_t{bottom} - top); }
};

}  // namespace ocellus
