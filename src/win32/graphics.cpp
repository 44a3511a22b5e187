#include "win32/graphics.h"

#include <map>

namespace win32 {

COLORREF colorToRgb(Color c) {
    // Anything else with a top byte, such as a failed pixel read (0xFFFFFFFF), shows its colour bytes.
    if ((c & 0xFF000000u) == 0xFF000000u && (c & 0x00FFFFFFu) <= COLOR_MENUBAR)
        return ::GetSysColor(static_cast<int>(c & 0xFF));
    return c & 0x00FFFFFFu;
}

HBRUSH solidBrush(Color c) {
    static std::map<Color, BrushHandle> brushes;
    auto& b = brushes[c];
    if (!b) b.reset(::CreateSolidBrush(colorToRgb(c)));
    return b.get();
}

void Canvas::setHandle(HDC dc) {
    dc_ = dc;
    toolsIn_ = false;
}

void Canvas::polygon(std::span<const POINT> points) {
    if (!dc_) return;
    if (!toolsIn_) {
        ::SelectObject(dc_, ::GetStockObject(BLACK_PEN));
        ::SelectObject(dc_, ::GetStockObject(WHITE_BRUSH));
        toolsIn_ = true;
    }
    ::Polygon(dc_, points.data(), static_cast<int>(points.size()));
    if (onChange) onChange();
}

Color Canvas::pixel(int x, int y) const { return dc_ ? ::GetPixel(dc_, x, y) : CLR_INVALID; }

BitmapHandle createDibSection(int width, int height, void** bits) {
    if (width <= 0 || height <= 0) return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* ignored = nullptr;
    return BitmapHandle(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits ? bits : &ignored, nullptr, 0));
}

Bitmap::Bitmap() : dc_(::CreateCompatibleDC(nullptr)) {
    canvas_.setHandle(dc_.get());
    canvas_.onChange = [this] {
        if (onChange) onChange();
    };
}

Bitmap::~Bitmap() {
    // The bitmap must leave the DC before either is deleted.
    if (dc_ && originalBitmap_) ::SelectObject(dc_.get(), originalBitmap_);
}

void Bitmap::select(BitmapHandle bitmap, int w, int h) {
    HGDIOBJ wanted = bitmap ? static_cast<HGDIOBJ>(bitmap.get()) : originalBitmap_;
    if (wanted) {
        HGDIOBJ previous = ::SelectObject(dc_.get(), wanted);
        if (!originalBitmap_ && previous && previous != HGDI_ERROR) originalBitmap_ = previous;
    }
    static std::uint64_t images = 0;
    bitmap_ = std::move(bitmap);
    serial_ = ++images;
    width_ = bitmap_ ? w : 0;
    height_ = bitmap_ ? h : 0;
}

void Bitmap::setSize(int w, int h) {
    w = w < 0 ? 0 : w;
    h = h < 0 ? 0 : h;
    if (w == width_ && h == height_ && (bitmap_ || w == 0 || h == 0)) {
        width_ = w;
        height_ = h;
        return;
    }
    BitmapHandle fresh = createDibSection(w, h);
    if (fresh) {
        // A new picture starts white, as an empty canvas does.
        select(std::move(fresh), w, h);
        ::PatBlt(dc_.get(), 0, 0, w, h, WHITENESS);
    } else {
        select({}, 0, 0);
        width_ = w;
        height_ = h;
    }
}

void Bitmap::takeHandle(HBITMAP bitmap) {
    BitmapHandle owned(bitmap);
    BITMAP info{};
    if (!bitmap || !::GetObjectW(bitmap, sizeof info, &info)) return;
    // Always copied into a top-down section of our own: the row order of a foreign DIB section
    // cannot be read back (GetObject reports a positive height for top-down sections as well).
    BitmapHandle converted = createDibSection(info.bmWidth, info.bmHeight);
    if (!converted) return;
    MemoryDc source(::CreateCompatibleDC(nullptr));
    SelectObjectScope in(source.get(), bitmap);
    select(std::move(converted), info.bmWidth, info.bmHeight);
    ::BitBlt(dc_.get(), 0, 0, width_, height_, source.get(), 0, 0, SRCCOPY);
}

ocellus::PixelView Bitmap::pixels() const {
    DIBSECTION dib{};
    if (!bitmap_ || ::GetObjectW(bitmap_.get(), sizeof dib, &dib) != sizeof dib || !dib.dsBm.bmBits) return {};
    ::GdiFlush();
    const int h = dib.dsBm.bmHeight;
    const std::ptrdiff_t rowBytes = dib.dsBm.bmWidthBytes;
    auto* base = static_cast<std::uint8_t*>(dib.dsBm.bmBits);
    // Every section held here is top-down (createDibSection, takeHandle).
    return {dib.dsBm.bmWidth, h, base, rowBytes, dib.dsBm.bmBitsPixel / 8};
}

}  // namespace win32
