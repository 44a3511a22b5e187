// The capture against known pictures on the screen: both scaling paths pixel for pixel, smoothing that
// GDI+ cannot do, and the order of the adjustments.
#include <gtest/gtest.h>

#include <objidl.h>  // GDI+ headers need the COM property types
#include <gdiplus.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/mag.h"
#include "app/mag_rules.h"
#include "win32/gdiplus.h"
#include "app_support.h"
#include "colour_reference.h"
#include "win_support.h"

using testing_support::ScreenPattern;

namespace {

// The big pattern: a red/blue band along the top, below it a gradient in which neighbouring
// pixels differ in every channel.
constexpr RECT kPatternArea{640, 360, 1440, 800};
constexpr int kBandBottom = 420, kBandSplit = 1040;

COLORREF patternColour(int sx, int sy) {
    if (sy < kBandBottom) return sx < kBandSplit ? RGB(255, 0, 0) : RGB(0, 0, 255);
    return RGB((sx * 7 + sy) & 0xFF, (sy * 5 + sx) & 0xFF, (sx * 3 + sy * 11) & 0xFF);
}

// Paints colour(sx, sy) over a window placed at area, from one buffer.
std::function<void(HDC, int, int)> painter(RECT area, COLORREF (*colour)(int, int)) {
    return [area, colour](HDC dc, int w, int h) {
        testing_support::paintColours(dc, w, h, [&](int x, int y) { return colour(area.left + x, area.top + y); });
    };
}

COLORREF pictureColour(const ocellus::PixelView& v, int x, int y) {
    const std::uint8_t* p = v.row0 + v.stride * y + static_cast<std::ptrdiff_t>(x) * v.bytesPerPixel;
    return RGB(p[2], p[1], p[0]);
}

// The three colour bytes of every pixel, row by row.
std::vector<std::uint8_t> colourBytes(const ocellus::PixelView& v) {
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(v.width) * v.height * 3);
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) {
            const std::uint8_t* p = v.row0 + v.stride * y + static_cast<std::ptrdiff_t>(x) * v.bytesPerPixel;
            out.insert(out.end(), p, p + 3);
        }
    return out;
}

std::string hex(COLORREF c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%06lX", static_cast<unsigned long>(c));
    return buf;
}

class MagCapture : public testing_support::ProgramWindowTest {
protected:
    void SetUp() override {
        ProgramWindowTest::SetUp();
        ASSERT_TRUE(gdiplus.ok());
        createAtTopLeft({1500, 200});
    }
    void TearDown() override {
        ProgramWindowTest::TearDown();
        EXPECT_TRUE(boxes.empty());
    }
    ocellus::PixelView picture() { return form->Image1->picture().pixels(); }
    void setZoom(int code) {
        for (const auto& step : ocellus::kZoomSteps)
            if (step.zoomCode == code)
                form->find<forms::RadioButton>(step.button)->setChecked(true);
        ASSERT_EQ(ocellus::ZoomCode, code);
    }

    win32::gdiplus::Session gdiplus;
};

}  // namespace

TEST_F(MagCapture, PlainPathRepeatsEachSourcePixelByTheScale) {
    ScreenPattern pattern(kPatternArea, painter(kPatternArea, patternColour));
    // 576 x 360 divides by every zoom code below, so each source pixel becomes a whole square.
    form->setClientSize(604, 434);
    ASSERT_EQ(form->Image1->width(), 576);
    ASSERT_EQ(form->Image1->height(), 360);
    const int px = 1040, py = 610;
    for (int code : {2, 4, 6, 8, 12, 18, 24}) {
        SCOPED_TRACE(testing::Message() << "zoom code " << code);
        setZoom(code);
        form->GrabScreen(px, py);
        const ocellus::PixelView v = picture();
        ASSERT_EQ(v.width, 576);
        ASSERT_EQ(v.height, 360);
        const int scale = code / 2;
        const int srcLeft = px - 576 / code, srcTop = py - 360 / code;
        int mismatches = 0;
        for (int y = 0; y < v.height && mismatches < 5; ++y)
            for (int x = 0; x < v.width && mismatches < 5; ++x) {
                const COLORREF want = patternColour(srcLeft + x / scale, srcTop + y / scale);
                const COLORREF got = pictureColour(v, x, y);
                if (got != want) {
                    ++mismatches;
                    ADD_FAILURE() << "pixel " << x << "," << y << " is " << hex(got) << ", source " << hex(want);
                }
            }
    }
}

namespace {

COLORREF quadrants(int sx, int sy) {
    if (sy < 550) return sx < 1050 ? RGB(255, 0, 0) : RGB(0, 0, 255);
    return sx < 1050 ? RGB(0, 255, 0) : RGB(255, 255, 0);
}

bool similar(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace

TEST_F(MagCapture, InterpolatedPictureHasThePictureSizeTheRightWayUpAndBlendsAtEdges) {
    const RECT area{700, 300, 1400, 800};
    ScreenPattern pattern(area, painter(area, quadrants));
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255), green = RGB(0, 255, 0), yellow = RGB(255, 255, 0);
    auto blendsInRow = [&](int y) {
        const ocellus::PixelView v = picture();
        int blends = 0;
        for (int x = 0; x < v.width; ++x) {
            const COLORREF c = pictureColour(v, x, y);
            if (!similar(c, red, 2) && !similar(c, blue, 2)) ++blends;
        }
        return blends;
    };

    form->GrabScreen(1050, 550);  // plain: hard edges
    EXPECT_EQ(blendsInRow(form->Image1->height() / 4), 0);

    ocellus::InterpolateFlag = true;
    for (auto size : {SIZE{600, 430}, SIZE{800, 500}}) {
        SCOPED_TRACE(testing::Message() << size.cx << "x" << size.cy);
        form->setClientSize(size.cx, size.cy);
        form->GrabScreen(1050, 550);
        const ocellus::PixelView v = picture();
        ASSERT_EQ(v.width, form->Image1->width());
        ASSERT_EQ(v.height, form->Image1->height());
        const int top = v.height / 4, bottom = v.height * 3 / 4, right = v.width - 6;
        EXPECT_TRUE(similar(pictureColour(v, 5, top), red, 3)) << hex(pictureColour(v, 5, top));
        EXPECT_TRUE(similar(pictureColour(v, right, top), blue, 3)) << hex(pictureColour(v, right, top));
        EXPECT_TRUE(similar(pictureColour(v, 5, bottom), green, 3)) << hex(pictureColour(v, 5, bottom));
        EXPECT_TRUE(similar(pictureColour(v, right, bottom), yellow, 3)) << hex(pictureColour(v, right, bottom));
        const int blends = blendsInRow(top);
        EXPECT_GT(blends, 0);
        EXPECT_LT(blends, 12);  // only around the edge, a few magnified pixels wide
    }
}

namespace {

namespace flat = Gdiplus::DllExports;
using Gdiplus::GpStatus;

template <class Fn>
Fn realGdiplus(const char* name) {
    return testing_support::loadedFunction<Fn>(L"gdiplus.dll", name);
}

// GDI+ behind this program's imports: it answers as one that never started, or makes everything but
// the finished GDI bitmap. The images and graphics it makes are counted until deleted.
struct FaultyGdiplus {
    enum class Fault { NotStarted, NoBitmap };
    static inline Fault fault = Fault::NotStarted;
    static inline int faults = 0, images = 0, graphics = 0;

    static GpStatus WINGDIPAPI createBitmap(INT w, INT h, INT stride, Gdiplus::PixelFormat format, BYTE* scan0,
                                            Gdiplus::GpBitmap** out) {
        static const auto real = realGdiplus<decltype(&flat::GdipCreateBitmapFromScan0)>("GdipCreateBitmapFromScan0");
        if (fault == Fault::NotStarted) return failed(out, Gdiplus::GdiplusNotInitialized);
        const GpStatus s = real(w, h, stride, format, scan0, out);
        if (s == Gdiplus::Ok) ++images;
        return s;
    }
    static GpStatus WINGDIPAPI toHbitmap(Gdiplus::GpBitmap*, HBITMAP* out, Gdiplus::ARGB) {
        return failed(out, Gdiplus::OutOfMemory);
    }
    static GpStatus WINGDIPAPI disposeImage(Gdiplus::GpImage* image) {
        static const auto real = realGdiplus<decltype(&flat::GdipDisposeImage)>("GdipDisposeImage");
        --images;
        return real(image);
    }
    static GpStatus WINGDIPAPI graphicsOf(Gdiplus::GpImage* image, Gdiplus::GpGraphics** out) {
        static const auto real =
            realGdiplus<decltype(&flat::GdipGetImageGraphicsContext)>("GdipGetImageGraphicsContext");
        const GpStatus s = real(image, out);
        if (s == Gdiplus::Ok) ++graphics;
        return s;
    }
    static GpStatus WINGDIPAPI deleteGraphics(Gdiplus::GpGraphics* g) {
        static const auto real = realGdiplus<decltype(&flat::GdipDeleteGraphics)>("GdipDeleteGraphics");
        --graphics;
        return real(g);
    }

private:
    template <class T>
    static GpStatus failed(T** out, GpStatus status) {
        ++faults;
        *out = nullptr;
        return status;
    }
};

template <class Fn>
std::uintptr_t address(Fn f) {
    return reinterpret_cast<std::uintptr_t>(f);
}

}  // namespace

TEST_F(MagCapture, SmoothingThatGdiplusCannotDoShowsThePlainPictureAndLeaksNothing) {
    ScreenPattern pattern(kPatternArea, painter(kPatternArea, patternColour));
    form->setClientSize(604, 434);
    // Both adjustments on: the fallback must apply each once, as the plain path does.
    form->enhancerb->setChecked(true);
    form->invertcb->setChecked(true);
    form->GrabScreen(1040, 610);
    const std::vector<std::uint8_t> plain = colourBytes(picture());

    FaultyGdiplus::images = FaultyGdiplus::graphics = 0;
    using testing_support::ImportPatch;
    const ImportPatch patches[] = {
        {L"gdiplus.dll", "GdipCreateBitmapFromScan0", address(&FaultyGdiplus::createBitmap)},
        {L"gdiplus.dll", "GdipCreateHBITMAPFromBitmap", address(&FaultyGdiplus::toHbitmap)},
        {L"gdiplus.dll", "GdipDisposeImage", address(&FaultyGdiplus::disposeImage)},
        {L"gdiplus.dll", "GdipGetImageGraphicsContext", address(&FaultyGdiplus::graphicsOf)},
        {L"gdiplus.dll", "GdipDeleteGraphics", address(&FaultyGdiplus::deleteGraphics)}};
    for (const ImportPatch& patch : patches) ASSERT_TRUE(patch.active());
    constexpr int kCaptures = 8;
    for (auto fault : {FaultyGdiplus::Fault::NotStarted, FaultyGdiplus::Fault::NoBitmap}) {
        SCOPED_TRACE(fault == FaultyGdiplus::Fault::NotStarted ? "not started" : "no bitmap");
        FaultyGdiplus::fault = fault;
        FaultyGdiplus::faults = 0;
        const int gdiBefore = testing_support::gdiObjectCount();
        for (int i = 0; i < kCaptures; ++i) {
            ocellus::InterpolateFlag = false;
            form->GrabScreen(1040, 610);
            // Blanked, so that a fallback which leaves the picture alone shows.
            ::PatBlt(form->Image1->picture().dc(), 0, 0, form->Image1->width(), form->Image1->height(), BLACKNESS);
            ocellus::InterpolateFlag = true;
            form->GrabScreen(1040, 610);
            ASSERT_TRUE(colourBytes(picture()) == plain) << "capture " << i;
        }
        EXPECT_EQ(FaultyGdiplus::faults, kCaptures);
        EXPECT_LE(testing_support::gdiObjectCount(), gdiBefore);
        EXPECT_EQ(FaultyGdiplus::images, 0);
        EXPECT_EQ(FaultyGdiplus::graphics, 0);
    }
}

// ----- adjustments -----

TEST_F(MagCapture, EnhanceRunsBeforeInvertOnTheCapturedPicture) {
    ScreenPattern pattern(kPatternArea, painter(kPatternArea, patternColour));
    form->setClientSize(604, 434);
    for (bool smoothed : {false, true}) {
        SCOPED_TRACE(smoothed ? "smoothed" : "plain");
        ocellus::InterpolateFlag = smoothed;
        form->enhancerb->setChecked(false);
        form->invertcb->setChecked(false);
        form->GrabScreen(1040, 610);
        const std::vector<std::uint8_t> plain = colourBytes(picture());

        std::vector<std::uint8_t> inverted = plain;
        for (auto& b : inverted) b = static_cast<std::uint8_t>(255 - b);

        std::vector<std::uint8_t> enhancedThenInverted = plain;
        const testing_support::ColourReference enhance(250, 70, 290);
        for (std::size_t i = 0; i < enhancedThenInverted.size(); i += 3) enhance.apply(&enhancedThenInverted[i]);
        for (auto& b : enhancedThenInverted) b = static_cast<std::uint8_t>(255 - b);

        form->invertcb->setChecked(true);
        form->GrabScreen(1040, 610);
        EXPECT_TRUE(colourBytes(picture()) == inverted) << "invert alone";

        form->enhancerb->setChecked(true);
        form->GrabScreen(1040, 610);
        const std::vector<std::uint8_t> both = colourBytes(picture());
        EXPECT_TRUE(both == enhancedThenInverted) << "enhanced, then inverted";
        EXPECT_FALSE(both == plain);
    }
}
