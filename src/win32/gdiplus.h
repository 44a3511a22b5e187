// GDI+ through its flat API, with owners for its objects.
#pragma once

#include <windows.h>

#include "base/pixelview.h"

namespace win32::gdiplus {

// Starts GDI+ (version 1) for the lifetime of the object.
class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    bool ok() const noexcept { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};

// The whole source (32-bit pixels, alpha ignored) scaled to width × height with high-quality
// resampling, as a new 32-bit bitmap owned by the caller; null when a GDI+ step failed.
// Reading the pixels in place spares GDI+ a GetDIBits copy of a bitmap that is selected into a DC.
HBITMAP highQualityScale(const ocellus::PixelView& source, int width, int height);

}  // namespace win32::gdiplus
