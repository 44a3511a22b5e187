// A view of pixel rows in memory. Platform-free, so pixel routines can be tested natively.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ocellus {

// stride is the address of row 1 minus that of row 0 (negative for bottom-up pictures). With 4 bytes
// per pixel the fourth byte belongs to nobody; bytes past width * bytesPerPixel in a row are padding.
struct PixelView {
    int width = 0;
    int height = 0;
    std::uint8_t* row0 = nullptr;
    std::ptrdiff_t stride = 0;
    int bytesPerPixel = 0;
};

}  // namespace ocellus
