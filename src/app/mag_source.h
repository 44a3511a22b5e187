// The screen area a capture magnifies, read once per capture.
#pragma once

#include <windows.h>

#include <array>

#include "app/mag_rules.h"
#include "win32/graphics.h"

namespace ocellus {

// Two copies of the source area take turns: each read goes into the spare one, and the other still
// holds the area the picture on show was made from, so one memcmp tells a still screen from a changed
// one. A failed read leaves both as they were.
class ScreenSource {
public:
    enum class Read { Failed, Unchanged, Changed };

    // Reads area from the screen's DC. Unchanged only when the area has the size and the pixels of the
    // previous successful read.
    Read read(HDC screen, const SourceRect& area);
    // The last successful read; empty before the first.
    const win32::Bitmap& current() const noexcept { return copies_[current_]; }
    PixelView pixels() const noexcept { return valid_ ? views_[current_] : PixelView{}; }

private:
    std::array<win32::Bitmap, 2> copies_;
    std::array<PixelView, 2> views_{};  // each copy's pixels as of its last read
    std::size_t current_ = 0;
    bool valid_ = false;
};

// The source rectangle for the pointer at p, kept on the monitor that holds it. Call it in the physical
// pixels the desktop DC reads, as the pointer position was read.
SourceRect sourceAround(POINT p, int pictureW, int pictureH, int zoomCode);

// The pixel at (x, y) of a 32-bit top-down copy, as a GDI colour.
std::uint32_t pixelOf(const PixelView& v, int x, int y);

}  // namespace ocellus
