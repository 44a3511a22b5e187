// The capture against known pictures on the screen: readout, scaling paths, pointer arrow,
// adjustments and GDI resources over many captures.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/contbrightsat.h"
#include "app/mag.h"
#include "app/mag_rules.h"
#include "forms/application.h"
#include "forms/gdiplus.h"
#include "forms/seams.h"
#include "app_support.h"
#include "win_support.h"

using ocellus::TForm1;
using testing_support::pump;
using testing_support::ScreenPattern;
using testing_support::windowText;

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
        testing_support::paintPixels(dc, w, h, [&](int x, int y) {
            const COLORREF c = colour(area.left + x, area.top + y);
            return static_cast<std::uint32_t>(GetBValue(c) | (GetGValue(c) << 8) | (GetRValue(c) << 16));
        });
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

class MagCapture : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::resetProgramState([this](const wchar_t*) { ++boxes; });
        ASSERT_TRUE(gdiplus.ok());
        form = std::make_unique<TForm1>(nullptr);
        form->show();
        form->setBounds(0, 0, form->width(), form->height());  // away from the patterns
        ::SetCursorPos(1500, 200);
        pump(30);
    }
    void TearDown() override {
        form.reset();
        testing_support::restoreProgramState();
        EXPECT_EQ(boxes, 0);
    }
    ocellus::PixelView picture() { return form->Image1->picture().pixels(); }
    void setZoom(int code) {
        for (const auto& step : ocellus::kZoomSteps)
            if (step.zoomCode == code)
                dynamic_cast<forms::RadioButton*>(form->findControl(step.button))->setChecked(true);
        ASSERT_EQ(ocellus::ZoomCode, code);
    }

    forms::gdiplus::Session gdiplus;
    std::unique_ptr<TForm1> form;
    int boxes = 0;
};

}  // namespace

TEST_F(MagCapture, ReadoutTextHintSwatchAndCoordinatesInEachFormat) {
    ScreenPattern pattern(kPatternArea, painter(kPatternArea, patternColour));
    struct Case {
        int x, y;
        COLORREF colour;
        const wchar_t* texts[3];
    };
    const Case cases[] = {
        {900, 400, 0x000000FF, {L"RGB: 255,0,0", L"$FF0000", L"255"}},
        {1200, 400, 0x00FF0000, {L"RGB: 0,0,255", L"$0000FF", L"16711680"}},
        // Off the screen the pixel read fails and every bit is set.
        {-50, -50, 0xFFFFFFFF, {L"RGB: 255,255,255", L"$FFFFFF", L"-1"}},
    };
    const wchar_t* hints[3] = {L"RGB", L"Hexadecimal", L"TColor"};
    for (const Case& c : cases) {
        for (int format = 1; format <= 3; ++format) {
            SCOPED_TRACE(testing::Message() << "at " << c.x << "," << c.y << " format " << format);
            ocellus::ReadoutFormat = format;
            form->GrabScreen(c.x, c.y);
            EXPECT_EQ(windowText(form->rgblabel->handle()), c.texts[format - 1]);
            EXPECT_EQ(form->rgblabel->hint(), hints[format - 1]);
            EXPECT_EQ(form->colpanel->color, c.colour);
            EXPECT_EQ(windowText(form->xyLabel->handle()),
                      std::to_wstring(c.x) + L", " + std::to_wstring(c.y));
        }
    }
    // Over the gradient every pixel differs from its neighbours: the readout is the pixel under the
    // pointer, not one elsewhere in the captured area, at any zoom.
    ocellus::ReadoutFormat = 2;
    for (int code : {2, 6, 30})
        for (POINT p : {POINT{700, 430}, POINT{1040, 610}, POINT{1400, 790}, POINT{900, 700}}) {
            SCOPED_TRACE(testing::Message() << "zoom " << code << " at " << p.x << "," << p.y);
            setZoom(code);
            form->GrabScreen(p.x, p.y);
            const COLORREF want = patternColour(p.x, p.y);
            ASSERT_EQ(testing_support::screenPixel(p.x, p.y), want);
            EXPECT_EQ(form->colpanel->color, want);
            char text[16];
            std::snprintf(text, sizeof text, "$%02X%02X%02X", GetRValue(want), GetGValue(want), GetBValue(want));
            EXPECT_EQ(windowText(form->rgblabel->handle()), std::wstring(text, text + 7));
        }

    // The swatch paints the captured colour; the pointer stays there so the timers agree.
    ::SetCursorPos(900, 400);
    ocellus::ReadoutFormat = 1;
    form->GrabScreen(900, 400);
    pump(100);
    RECT r{};
    ::GetWindowRect(form->colpanel->handle(), &r);
    EXPECT_EQ(testing_support::screenPixel((r.left + r.right) / 2, (r.top + r.bottom) / 2), RGB(255, 0, 0));
}

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

TEST_F(MagCapture, ArrowTipSitsAtTheMarkerAndAppearsOnlyWithShowCursor) {
    const COLORREF ground = RGB(40, 120, 200);
    ScreenPattern topLeft({0, 0, 300, 200}, ScreenPattern::solid(ground));
    ScreenPattern bottomRight({1600, 900, 1920, 1080}, ScreenPattern::solid(ground));
    ScreenPattern centre(kPatternArea, painter(kPatternArea, patternColour));
    ASSERT_EQ(form->Image1->width(), 572);
    ASSERT_EQ(form->Image1->height(), 356);

    struct Case {
        int x, y;      // pointer
        int mx, my;    // expected tip in the picture
        int ix, iy;    // a pixel inside the arrow's body, white when it is drawn
    };
    const Case cases[] = {
        {0, 0, 1, 1, 6, 21},              // marker values 0 are raised to 1
        {10, 10, 30, 30, 35, 50},
        {960, 540, 286, 178, 291, 198},   // away from the edges: the centre
        {1919, 1079, 569, 353, 570, 355}, // clipped at the bottom-right corner
    };
    const COLORREF black = RGB(0, 0, 0), white = RGB(255, 255, 255);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pointer " << c.x << "," << c.y);
        ocellus::CursorFlag = false;
        form->GrabScreen(c.x, c.y);
        ocellus::PixelView v = picture();
        const COLORREF underTip = pictureColour(v, c.mx, c.my);
        const COLORREF underBody = pictureColour(v, c.ix, c.iy);
        ASSERT_NE(underTip, black);
        ASSERT_NE(underBody, white);
        const COLORREF beside = pictureColour(v, c.mx - 1, c.my - 1);

        ocellus::CursorFlag = true;
        form->GrabScreen(c.x, c.y);
        v = picture();
        EXPECT_EQ(pictureColour(v, c.mx, c.my), black) << "outline at the tip";
        EXPECT_EQ(pictureColour(v, c.ix, c.iy), white) << "white body";
        EXPECT_EQ(pictureColour(v, c.mx - 1, c.my - 1), beside) << "nothing left of and above the tip";
    }

    // Without the arrow the placeholder still schedules the repaint that shows the new picture.
    ocellus::CursorFlag = false;
    pump(20);
    ::ValidateRect(form->Image1->handle(), nullptr);
    form->GrabScreen(0, 0);
    RECT update{};
    EXPECT_TRUE(::GetUpdateRect(form->Image1->handle(), &update, FALSE));
    const ocellus::PixelView v = picture();
    for (POINT p : {POINT{1, 1}, POINT{6, 21}, POINT{0, 0}, POINT{37, 24}})
        EXPECT_EQ(pictureColour(v, p.x, p.y), ground) << p.x << "," << p.y;
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
        // What the window shows is the same picture.
        EXPECT_EQ(::GetPixel(form->Image1->picture().dc(), 5, top), pictureColour(v, 5, top));
        const int blends = blendsInRow(top);
        EXPECT_GT(blends, 0);
        EXPECT_LT(blends, 12);  // only around the edge, a few magnified pixels wide
    }
}

namespace {

struct GdiRun {
    int before, after, captures;
    long long ms;
};

// Captures over the gradient at ever different places (so the swatch sees many colours),
// letting the window repaint after each one.
GdiRun gdiAcrossCaptures(TForm1& form, int count) {
    auto grab = [&](int i) {
        form.GrabScreen(760 + (i * 37) % 560, 470 + (i * 53) % 260);
        pump();
    };
    for (int i = 0; i < 30; ++i) grab(i);  // warm-up: tooltip, fonts, brushes of the fixed colours
    pump(50);
    GdiRun run{testing_support::gdiObjectCount(), 0, count, 0};
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) grab(1000 + i);
    run.ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    pump(50);
    run.after = testing_support::gdiObjectCount();
    return run;
}

}  // namespace

TEST_F(MagCapture, GdiObjectsStayConstantOverManyCapturesOnEitherPath) {
    ScreenPattern pattern(kPatternArea, painter(kPatternArea, patternColour));
    struct Path {
        const char* name;
        bool interpolate, enhance, invert, cursor;
    };
    for (const Path p : {Path{"plain", false, false, false, false}, Path{"plain, all options", false, true, true, true},
                         Path{"smoothed", true, false, false, false},
                         Path{"smoothed, all options", true, true, true, true}}) {
        SCOPED_TRACE(p.name);
        ocellus::InterpolateFlag = p.interpolate;
        ocellus::CursorFlag = p.cursor;
        form->enhancerb->setChecked(p.enhance);
        form->invertcb->setChecked(p.invert);
        if (p.interpolate) form->setClientSize(330, 260);  // keeps the GDI+ work short
        // GDI+ resampling is slow under Wine; the soak test runs the long form.
        const GdiRun run = gdiAcrossCaptures(*form, p.interpolate ? 60 : 300);
        std::printf("[ GDI      ] %-22s %d objects before, %d after %d captures (%lld ms)\n", p.name, run.before,
                    run.after, run.captures, run.ms);
        std::fflush(stdout);
        EXPECT_EQ(run.after, run.before);
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
        ocellus::PixelView v = picture();
        std::vector<std::uint8_t> raw(static_cast<std::size_t>(v.height) * v.width * 4);
        for (int y = 0; y < v.height; ++y)
            std::memcpy(raw.data() + static_cast<std::size_t>(y) * v.width * 4, v.row0 + v.stride * y,
                        static_cast<std::size_t>(v.width) * 4);
        const ocellus::PixelView copy{v.width, v.height, raw.data(), static_cast<std::ptrdiff_t>(v.width) * 4, 4};
        const std::vector<std::uint8_t> plain = colourBytes(copy);

        std::vector<std::uint8_t> inverted = plain;
        for (auto& b : inverted) b = static_cast<std::uint8_t>(255 - b);

        ocellus::AdjustBitmapColours(copy, 250, 70, 290);
        std::vector<std::uint8_t> enhancedThenInverted = colourBytes(copy);
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

TEST_F(MagCapture, InvertingTwiceRestoresThePictureWhateverItsSize) {
    ScreenPattern pattern(kPatternArea, painter(kPatternArea, patternColour));
    for (auto size : {SIZE{600, 430}, SIZE{900, 640}, SIZE{200, 150}}) {
        SCOPED_TRACE(testing::Message() << size.cx << "x" << size.cy);
        form->setClientSize(size.cx, size.cy);
        form->GrabScreen(1040, 610);
        const std::vector<std::uint8_t> before = colourBytes(picture());
        form->invertimage();
        std::vector<std::uint8_t> once = colourBytes(picture());
        ASSERT_EQ(once.size(), before.size());
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < once.size(); ++i)
            if (once[i] != 255 - before[i]) ++wrong;
        EXPECT_EQ(wrong, 0u) << "every byte of the picture inverted";
        form->invertimage();
        EXPECT_TRUE(colourBytes(picture()) == before);
    }
}
