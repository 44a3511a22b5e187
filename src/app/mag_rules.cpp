#include "app/mag_rules.h"

#include <algorithm>

#include "base/arithmetic.h"

namespace ocellus {

namespace {

// One axis of the source rectangle, between the monitor's edges low and high. Works in
// int64 so that pointer and monitor values anywhere in int range cannot overflow.
struct Axis {
    std::int64_t start, extent;
    int marker;
};

Axis sourceAxis(int pos, int picture, int zoomCode, std::int64_t low, std::int64_t high) {
    const std::int64_t p = std::max(picture, 0);
    const std::int64_t half = zoomCode > 0 ? p / zoomCode : 0;
    const std::int64_t extent = 2 * half;
    Axis a{pos - half, extent, static_cast<int>(p / 2)};
    // With nothing to stretch the marker has no meaningful scale, so it stays centred.
    const bool scaled = extent > 0;
    if (a.start < low) {
        a.start = low;
        if (scaled)
            a.marker = std::max(roundHalfEven(static_cast<double>(pos - low) / static_cast<double>(extent) *
                                            static_cast<double>(p)),
                                1);
    }
    if (high < a.start + extent) {
        a.start = high - extent;
        if (scaled)
            a.marker = roundHalfEven(static_cast<double>(pos - a.start) /
                                   static_cast<double>(extent) * static_cast<double>(p));
    }
    return a;
}

}  // namespace

SourceRect sourceRectangle(int x, int y, int pictureW, int pictureH, int zoomCode,
                           const IntRect& monitor) {
    const Axis h = sourceAxis(x, pictureW, zoomCode, monitor.left, monitor.right);
    const Axis v = sourceAxis(y, pictureH, zoomCode, monitor.top, monitor.bottom);
    // start + extent <= the far edge holds exactly, so after saturating start up and
    // extent down their int sum still fits.
    return SourceRect{saturate(h.start), saturate(v.start), saturate(h.extent),
                      saturate(v.extent), h.marker, v.marker};
}

Rgb colortorgb(std::uint32_t colour) {
    return Rgb{static_cast<std::uint8_t>(colour & 0xFFu),
               static_cast<std::uint8_t>((colour >> 8) & 0xFFu),
               static_cast<std::uint8_t>((colour >> 16) & 0xFFu)};
}

std::wstring colortohex(std::uint32_t colour) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    const Rgb c = colortorgb(colour);
    std::wstring out;
    for (std::uint8_t b : {c.red, c.green, c.blue}) {
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 0x0F]);
    }
    return out;
}

ReadoutText readoutFor(std::uint32_t colour, int readoutFormat) {
    switch (readoutFormat) {
    case 2:
        return {L"$" + colortohex(colour), L"Hexadecimal"};
    case 3:
        return {std::to_wstring(static_cast<std::int32_t>(colour)), L"TColor"};
    default: {
        // The format only ever comes from nextReadoutFormat, but a stray value
        // should still show something readable rather than nothing.
        const Rgb c = colortorgb(colour);
        return {L"RGB: " + std::to_wstring(c.red) + L"," + std::to_wstring(c.green) + L"," +
                    std::to_wstring(c.blue),
                L"RGB"};
    }
    }
}

int nextReadoutFormat(int format) {
    if (format >= 3 || format < 1) return 1;
    return format + 1;
}

std::wstring coordinatesText(int x, int y) {
    return std::to_wstring(x) + L", " + std::to_wstring(y);
}

const ZoomStep* zoomStepForCode(int zoomCode) {
    for (const ZoomStep& s : kZoomSteps)
        if (s.zoomCode == zoomCode) return &s;
    return nullptr;
}

const ZoomStep* zoomStepForTag(int tag) {
    for (const ZoomStep& s : kZoomSteps)
        if (s.tag == tag) return &s;
    return nullptr;
}

bool isOffScreen(int left, int top, const IntRect& monitor) {
    const std::int64_t margin = 50;
    return left > std::int64_t{monitor.right} - margin || top > std::int64_t{monitor.bottom} - margin ||
           top < monitor.top;
}

}  // namespace ocellus
