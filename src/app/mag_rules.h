// Platform-free rules of the magnifier's capture path: which screen rectangle feeds
// the picture, where the pointer marker sits in it, and the colour readout texts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/rect.h"

namespace ocellus {

// The screen area that is stretched into the picture, and the marker position
// (picture coordinates) of the pointer inside it.
struct SourceRect {
    int left, top, width, height;
    int markerX, markerY;
    // Never overflows: the rule keeps left + width within int range.
    int right() const { return left + width; }
    int bottom() const { return top + height; }
};

// (x, y) is the pointer on the given monitor (its full rectangle: the primary display is
// {0, 0, width, height}; other monitors may lie at negative coordinates), whose edges the source keeps inside; the
// picture is pictureW x pictureH and zoomCode is twice the magnification. Negative picture
// sizes count as 0; zoomCode <= 0 gives an empty source at the pointer.
SourceRect sourceRectangle(int x, int y, int pictureW, int pictureH, int zoomCode,
                           const IntRect& monitor);

// Colours are GDI colours 0x00BBGGRR; only the signed readout shows the top byte.
struct Rgb {
    std::uint8_t red, green, blue;
};
Rgb colortorgb(std::uint32_t colour);
std::wstring colortohex(std::uint32_t colour);  // "RRGGBB", uppercase

struct ReadoutText {
    std::wstring text;
    std::wstring hint;
};
// Formats: 1 RGB, 2 hexadecimal, 3 signed TColor value; anything else reads as 1.
ReadoutText readoutFor(std::uint32_t colour, int readoutFormat);
int nextReadoutFormat(int format);  // 1 -> 2 -> 3 -> 1
std::wstring coordinatesText(int x, int y);  // "640, 480"

// What a failed screen read yields for a pixel (the platform's invalid colour).
inline constexpr std::uint32_t kFailedRead = 0xFFFFFFFFu;

// Everything the picture is made from besides the source pixels. When these and the pixels are as
// they were for the picture on show, a capture has nothing to draw.
struct PictureInputs {
    int width = 0, height = 0, zoomCode = 0;
    int markerX = 0, markerY = 0;
    bool interpolate = false, enhance = false, invert = false, cursor = false;
    std::uint64_t pictureSerial = 0;  // which image the picture bitmap holds
    bool operator==(const PictureInputs&) const = default;
};

// The zoom group's buttons, in order: the main window's rows, the wheel's steps (by tag, from the
// first row's to the last's) and the stored magnification all come from this table.
struct ZoomStep {
    std::wstring_view button;
    std::wstring_view caption;
    int tag;
    int zoomCode;
    int left, width;  // the button in its group, at 96 pixels per inch
};
inline constexpr std::array<ZoomStep, 9> kZoomSteps = {{
    {L"rbx1", L"x1", 1, 2, 98, 33},
    {L"rbx1_5", L"x1.5", 2, 3, 132, 39},
    {L"rbx2", L"x2", 3, 4, 176, 39},
    {L"rbx3", L"x3", 4, 6, 210, 38},
    {L"rbx4", L"x4", 5, 8, 243, 33},
    {L"rbx6", L"x6", 6, 12, 277, 33},
    {L"rbx9", L"x9", 7, 18, 311, 34},
    {L"rbx12", L"x12", 8, 24, 345, 40},
    {L"rbx15", L"x15", 9, 30, 384, 38},
}};
inline constexpr int kDefaultZoomCode = 6;

const ZoomStep* zoomStepForCode(int zoomCode);  // nullptr when not in the table
const ZoomStep* zoomStepForTag(int tag);        // nullptr when not in the table

// A stored window position that would leave less than 50 pixels visible at the right
// or bottom of its monitor, or whose title bar is above it. A window hanging off the
// left edge is still reachable and stays where it was.
bool isOffScreen(int left, int top, const IntRect& monitor);

}  // namespace ocellus
