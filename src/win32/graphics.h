// Drawing surfaces: a canvas over any device context, and a 32-bit bitmap with a canvas of its own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <span>

#include "base/pixelview.h"
#include "win32/handles.h"

namespace win32 {

// VCL-style colours: system colours are 0xFF000000 | COLOR_xxx.
using Color = std::uint32_t;
inline constexpr Color clBackground = 0xFF000000u | COLOR_BACKGROUND;
inline constexpr Color clWindowText = 0xFF000000u | COLOR_WINDOWTEXT;
inline constexpr Color clBtnFace = 0xFF000000u | COLOR_BTNFACE;
inline constexpr Color clBlack = 0x000000, clRed = 0x0000FF, clGreen = 0x008000, clBlue = 0xFF0000,
                       clWhite = 0xFFFFFF;
COLORREF colorToRgb(Color c);
// A solid brush of that colour, made once and kept for the run (for the few colours controls paint in).
HBRUSH solidBrush(Color c);

class Canvas {
public:
    Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC handle() const noexcept { return dc_; }
    // Attaches to a device context owned by someone else; the default pen and brush go in before
    // the first drawing (reading pixels needs neither, and the screen's DC is attached per capture).
    void setHandle(HDC dc);

    void polygon(std::span<const POINT> points);
    Color pixel(int x, int y) const;

    // Called after drawing, so the owner of the surface can schedule a repaint.
    std::function<void()> onChange;

private:
    HDC dc_ = nullptr;
    bool toolsIn_ = false;
};

// Attaches a canvas to a DC for a scope and lets go on every path, errors included: declared after
// the DC's own holder, it ends before the DC is released.
class CanvasAttachment {
public:
    CanvasAttachment(Canvas& canvas, HDC dc) : canvas_(canvas) { canvas_.setHandle(dc); }
    ~CanvasAttachment() { canvas_.setHandle(nullptr); }
    CanvasAttachment(const CanvasAttachment&) = delete;
    CanvasAttachment& operator=(const CanvasAttachment&) = delete;

private:
    Canvas& canvas_;
};

// A top-down 32 bits-per-pixel DIB section, selected into a memory DC of its own.
class Bitmap {
public:
    Bitmap();
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    ~Bitmap();

    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    void setWidth(int w) { setSize(w, height_); }
    void setHeight(int h) { setSize(width_, h); }
    void setSize(int w, int h);  // content is not kept; nothing happens when the size is unchanged

    HBITMAP handle() const noexcept { return bitmap_.get(); }
    // New, never reused, each time the bitmap gets another image (a size change or a take-over).
    std::uint64_t serial() const noexcept { return serial_; }
    // Takes ownership of a bitmap handle; the image held before is released.
    void takeHandle(HBITMAP bitmap);

    Canvas& canvas() noexcept { return canvas_; }
    HDC dc() const noexcept { return dc_.get(); }
    // The pixels, for in-place work; empty when the bitmap has none.
    ocellus::PixelView pixels() const;

    std::function<void()> onChange;

private:
    void select(BitmapHandle bitmap, int w, int h);

    MemoryDc dc_;
    HGDIOBJ originalBitmap_ = nullptr;
    BitmapHandle bitmap_;
    int width_ = 0, height_ = 0;
    std::uint64_t serial_ = 0;
    Canvas canvas_;
};

// A 32-bit top-down DIB section of the given size (the empty handle on failure).
BitmapHandle createDibSection(int width, int height, void** bits = nullptr);

}  // namespace win32
