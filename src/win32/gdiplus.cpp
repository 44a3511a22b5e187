#include "win32/gdiplus.h"

#include <objidl.h>  // GDI+ headers need the COM property types
#include <gdiplus.h>

#include "win32/handles.h"

namespace win32::gdiplus {
namespace flat = Gdiplus::DllExports;
namespace {

using GpBitmapPtr = UniqueHandle<Gdiplus::GpBitmap*, flat::GdipDisposeImage>;
using GpGraphicsPtr = UniqueHandle<Gdiplus::GpGraphics*, flat::GdipDeleteGraphics>;

}  // namespace

Session::Session() {
    Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread and codecs on
    if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

Session::~Session() {
    if (token_) Gdiplus::GdiplusShutdown(token_);
}

HBITMAP highQualityScale(const ocellus::PixelView& source, int width, int height) {
    if (!source.row0 || source.bytesPerPixel != 4 || source.width <= 0 || source.height <= 0 || width <= 0 ||
        height <= 0)
        return nullptr;
    Gdiplus::GpBitmap* raw = nullptr;
    if (flat::GdipCreateBitmapFromScan0(source.width, source.height, static_cast<INT>(source.stride),
                                        PixelFormat32bppRGB, source.row0, &raw) != Gdiplus::Ok)
        return nullptr;
    GpBitmapPtr src(raw);
    raw = nullptr;
    if (flat::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &raw) != Gdiplus::Ok)
        return nullptr;
    GpBitmapPtr dst(raw);
    {
        Gdiplus::GpGraphics* g = nullptr;
        if (flat::GdipGetImageGraphicsContext(dst.get(), &g) != Gdiplus::Ok) return nullptr;
        GpGraphicsPtr graphics(g);
        flat::GdipSetInterpolationMode(g, Gdiplus::InterpolationModeHighQuality);
        flat::GdipSetPixelOffsetMode(g, Gdiplus::PixelOffsetModeHighQuality);
        flat::GdipSetSmoothingMode(g, Gdiplus::SmoothingModeHighQuality);
        UINT w = 0, h = 0;
        flat::GdipGetImageWidth(dst.get(), &w);
        flat::GdipGetImageHeight(dst.get(), &h);
        flat::GdipDrawImageRect(g, src.get(), 0.0f, 0.0f, static_cast<Gdiplus::REAL>(w),
                                static_cast<Gdiplus::REAL>(h));
    }
    HBITMAP result = nullptr;
    if (flat::GdipCreateHBITMAPFromBitmap(dst.get(), &result, 0x00000000) != Gdiplus::Ok) return nullptr;
    return result;
}

}  // namespace win32::gdiplus
