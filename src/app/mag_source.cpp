#include "app/mag_source.h"

#include <cstring>

#include "win32/monitor.h"
#include "win32/rect.h"

namespace ocellus {

ScreenSource::Read ScreenSource::read(HDC screen, const SourceRect& area) {
    const std::size_t next = 1 - current_;
    win32::Bitmap& spare = copies_[next];
    spare.setSize(area.width, area.height);
    if (!spare.handle() || !screen ||
        !::BitBlt(spare.dc(), 0, 0, area.width, area.height, screen, area.left, area.top, SRCCOPY))
        return Read::Failed;
    views_[next] = spare.pixels();  // also waits for the read to reach the memory

    // Rows of a 32-bit section carry no padding, so the whole area is one block of memory.
    const PixelView& fresh = views_[next];
    const PixelView previous = pixels();
    const bool same = previous.row0 && fresh.row0 && fresh.stride > 0 && previous.width == fresh.width &&
                      previous.height == fresh.height && previous.stride == fresh.stride &&
                      std::memcmp(previous.row0, fresh.row0, static_cast<std::size_t>(fresh.stride) * fresh.height) == 0;
    current_ = next;
    valid_ = true;
    return same ? Read::Unchanged : Read::Changed;
}

SourceRect sourceAround(POINT p, int pictureW, int pictureH, int zoomCode) {
    const RECT m = win32::monitorNearest(p);
    return sourceRectangle(p.x, p.y, pictureW, pictureH, zoomCode, win32::toIntRect(m));
}

std::uint32_t pixelOf(const PixelView& v, int x, int y) {
    const std::uint8_t* p = v.row0 + v.stride * y + static_cast<std::ptrdiff_t>(x) * v.bytesPerPixel;
    return static_cast<std::uint32_t>(p[2]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[0]) << 16);
}

}  // namespace ocellus
