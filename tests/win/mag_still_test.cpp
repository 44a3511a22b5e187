// A capture over a screen that has not changed draws nothing, yet shows exactly what a full capture
// would; anything the picture is made from draws it again. A screen read that fails shows the failure
// value and keeps the picture as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/mag.h"
#include "app/mag_rules.h"
#include "win32/gdiplus.h"
#include "win32/monitor.h"
#include "app_support.h"
#include "win_support.h"

using testing_support::ScreenPattern;
using testing_support::windowText;

namespace {

constexpr RECT kDetail{700, 300, 1500, 900};

// Neighbouring pixels differ in every channel, so any shift or smear of the picture shows. x and y are
// the pattern's own coordinates.
COLORREF detailColour(int x, int y) {
    return RGB((x * 7 + y) & 0xFF, (y * 5 + x * 3) & 0xFF, (x * 13 + y * 11) & 0xFF);
}

void paintDetail(HDC dc, int w, int h) {
    testing_support::paintColours(dc, w, h, detailColour);
}

// Waits until the screen shows colour at (x, y); on a time-out, tells what it shows instead.
testing::AssertionResult screenShows(int x, int y, COLORREF colour) {
    COLORREF seen = CLR_INVALID;
    if (testing_support::pumpUntil([&] { return (seen = testing_support::screenPixel(x, y)) == colour; }))
        return testing::AssertionSuccess();
    char text[64];
    std::snprintf(text, sizeof text, "the screen shows 0x%06lX at %d,%d, not 0x%06lX", static_cast<unsigned long>(seen),
                  x, y, static_cast<unsigned long>(colour));
    return testing::AssertionFailure() << text;
}

class MagStill : public testing_support::ProgramWindowTest {
protected:
    void SetUp() override {
        ProgramWindowTest::SetUp();
        ASSERT_TRUE(gdiplus.ok());
        createAtTopLeft({1700, 1000});
        // Captures run only when a test asks for one.
        form->Timer1->setEnabled(false);
        form->Timer2->setEnabled(false);
    }
    void TearDown() override {
        ProgramWindowTest::TearDown();
        EXPECT_TRUE(boxes.empty());
    }

    // Captures at (x, y) and tells which of the readout, swatch, coordinates and picture it touched:
    // gave a new text, moved, or left to be repainted (a static control may paint its text at once).
    // A capture paints nothing itself: all it changed is painted at the next paint, each window once.
    std::string capture(int x, int y) {
        ::RedrawWindow(form->handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        sent().clear();
        paints() = 0;
        HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, recordSent, nullptr, ::GetCurrentThreadId());
        const bool changed = form->GrabScreen(x, y);
        ::UnhookWindowsHookEx(hook);
        EXPECT_EQ(paints(), 0) << "painted during the capture at " << x << "," << y;
        std::string touched;
        auto note = [&](forms::Control* c, const char* name) {
            HWND h = c->handle();
            if (::GetUpdateRect(h, nullptr, FALSE) || sent().count(h))
                touched += touched.empty() ? name : std::string(" ") + name;
        };
        note(form->rgblabel, "readout");
        note(form->colpanel, "swatch");
        note(form->xyLabel, "coordinates");
        note(form->Image1, "picture");
        EXPECT_EQ(changed, !touched.empty()) << "what the capture at " << x << "," << y << " says it changed";
        return touched;
    }

    std::vector<std::uint8_t> picture() const {
        const ocellus::PixelView v = form->Image1->picture().pixels();
        std::vector<std::uint8_t> bytes;
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width; ++x) {
                const std::uint8_t* p = v.row0 + v.stride * y + static_cast<std::ptrdiff_t>(x) * v.bytesPerPixel;
                bytes.insert(bytes.end(), p, p + 3);
            }
        return bytes;
    }

    win32::gdiplus::Session gdiplus;

private:
    static std::set<HWND>& sent() {
        static std::set<HWND> windows;
        return windows;
    }
    static int& paints() {
        static int count = 0;
        return count;
    }
    static LRESULT CALLBACK recordSent(int code, WPARAM wp, LPARAM lp) {
        const auto* m = reinterpret_cast<const CWPSTRUCT*>(lp);
        if (code == HC_ACTION && (m->message == WM_SETTEXT || m->message == WM_WINDOWPOSCHANGED)) sent().insert(m->hwnd);
        // A static control painting its text at once asks its parent for the colours first.
        if (code == HC_ACTION && (m->message == WM_PAINT || m->message == WM_ERASEBKGND || m->message == WM_NCPAINT ||
                                  m->message == WM_CTLCOLORSTATIC))
            ++paints();
        return ::CallNextHookEx(nullptr, code, wp, lp);
    }
};

struct Options {
    const char* name;
    bool interpolate, enhance, invert, cursor;
};
constexpr Options kOptions[] = {{"plain", false, false, false, false},
                                {"plain, Enhance, Invert, arrow", false, true, true, true},
                                {"smoothed", true, false, false, false},
                                {"smoothed, Enhance, Invert, arrow", true, true, true, true}};

}  // namespace

TEST_F(MagStill, StillScreenDrawsNothingAndKeepsWhatAFullCaptureMakes) {
    ScreenPattern detail(kDetail, paintDetail);
    const int px = 1100, py = 600;
    for (const Options& o : kOptions) {
        SCOPED_TRACE(o.name);
        form->cbinterpolate->setChecked(o.interpolate);
        form->enhancerb->setChecked(o.enhance);
        form->invertcb->setChecked(o.invert);
        form->cursorcheckbox->setChecked(o.cursor);
        EXPECT_NE(capture(px, py).find("picture"), std::string::npos);
        EXPECT_EQ(capture(px, py), "");
        const std::vector<std::uint8_t> skipped = picture();

        const int dx = px + 20, dy = py + 10;
        {  // one pixel of the source area changes: the picture is made again
            ScreenPattern dot({dx, dy, dx + 1, dy + 1}, ScreenPattern::solid(RGB(1, 2, 3)));
            ASSERT_TRUE(screenShows(dx, dy, RGB(1, 2, 3)));
            EXPECT_EQ(capture(px, py), "picture");
            EXPECT_NE(picture(), skipped);
        }
        ASSERT_TRUE(screenShows(dx, dy, detailColour(dx - kDetail.left, dy - kDetail.top)));
        // Back to the first screen: a full capture of it is what the skipped one kept.
        EXPECT_EQ(capture(px, py), "picture");
        EXPECT_EQ(picture(), skipped);
    }
}

TEST_F(MagStill, EveryInputOfThePictureDrawsItAgain) {
    ScreenPattern detail(kDetail, paintDetail);
    const int px = 1100, py = 600;
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"picture size", [&] { form->setClientSize(640, 460); }},
        {"zoom", [&] { form->rbx6->setChecked(true); }},
        {"Interpolate", [&] { form->cbinterpolate->setChecked(true); }},
        {"Enhance", [&] { form->enhancerb->setChecked(true); }},
        {"Invert", [&] { form->invertcb->setChecked(true); }},
        {"arrow", [&] { form->cursorcheckbox->setChecked(true); }},
        {"Interpolate off", [&] { form->cbinterpolate->setChecked(false); }},
        {"picture size back", [&] { form->setClientSize(600, 430); }},
    };
    capture(px, py);
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        ASSERT_EQ(capture(px, py), "");
        change();
        EXPECT_EQ(capture(px, py), "picture");
    }
}

TEST_F(MagStill, PointerMovesAndReadoutFormatTouchOnlyWhatChanged) {
    // Uniform areas: one in the middle of the screen and one along its left edge.
    ScreenPattern middle({700, 300, 1500, 900}, ScreenPattern::solid(RGB(40, 90, 160)));
    ScreenPattern edge({0, 500, 300, 900}, ScreenPattern::solid(RGB(200, 60, 30)));
    form->cursorcheckbox->setChecked(true);

    capture(1100, 600);
    EXPECT_EQ(capture(1101, 601), "coordinates");
    EXPECT_EQ(windowText(form->xyLabel->handle()), L"1101, 601");

    ocellus::ReadoutFormat = 2;
    EXPECT_EQ(capture(1101, 601), "readout");
    EXPECT_EQ(windowText(form->rgblabel->handle()), L"$285AA0");

    // At the left edge the source area stays put and only the arrow moves with the pointer.
    capture(10, 700);
    const std::vector<std::uint8_t> before = picture();
    EXPECT_EQ(capture(13, 700), "coordinates picture");
    EXPECT_NE(picture(), before);
}

// The readout changes without a paint of its own (see capture()); what it shows must still be whole.
TEST_F(MagStill, AReadoutThatShrinksLeavesNoTraceAndOneThatGrowsShowsWhole) {
    forms::Label* label = form->rgblabel;
    const COLORREF background = win32::colorToRgb(form->Panel2->color);
    auto onScreen = [&] {
        RECT r;
        ::GetWindowRect(label->handle(), &r);
        return r;
    };
    // Whether a text pixel shows in the middle rows of the screen between x = from and x = to.
    auto textBetween = [&](int from, int to) {
        const RECT r = onScreen();
        for (int y = (r.top + r.bottom) / 2 - 2; y <= (r.top + r.bottom) / 2 + 2; ++y)
            for (int x = from; x < to; ++x)
                if (testing_support::screenPixel(x, y) != background) return true;
        return false;
    };
    label->setCaption(L"RGB: 888,888,888");
    const RECT wide = onScreen();
    ASSERT_TRUE(testing_support::pumpUntil([&] { return textBetween(wide.left, wide.right); }));
    label->setCaption(L"i");
    const RECT narrow = onScreen();
    ASSERT_LT(narrow.right, wide.right - 20);
    EXPECT_TRUE(testing_support::pumpUntil([&] { return !textBetween(narrow.right, wide.right); }));
    label->setCaption(L"RGB: 888,888,888");
    EXPECT_TRUE(testing_support::pumpUntil([&] { return textBetween(narrow.right, wide.right); }));
}

namespace {

// Counts the program's questions about the monitors. With a layout set, the enumeration reports it
// instead of the system's.
struct MonitorQuestions {
    static inline int asked = 0;
    static inline std::vector<RECT> layout;

    static BOOL WINAPI enumerate(HDC dc, LPCRECT clip, MONITORENUMPROC proc, LPARAM data) {
        ++asked;
        if (layout.empty()) {
            static const auto real = testing_support::loadedFunction<decltype(&::EnumDisplayMonitors)>(
                L"user32.dll", "EnumDisplayMonitors");
            return real(dc, clip, proc, data);
        }
        for (RECT r : layout)
            if (!proc(reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(r.left + 1)), nullptr, &r, data)) break;
        return TRUE;
    }
    static HMONITOR WINAPI fromPoint(POINT p, DWORD flags) {
        ++asked;
        static const auto real =
            testing_support::loadedFunction<decltype(&::MonitorFromPoint)>(L"user32.dll", "MonitorFromPoint");
        return real(p, flags);
    }
    static BOOL WINAPI info(HMONITOR monitor, LPMONITORINFO into) {
        ++asked;
        static const auto real =
            testing_support::loadedFunction<decltype(&::GetMonitorInfoW)>(L"user32.dll", "GetMonitorInfoW");
        return real(monitor, into);
    }
};

}  // namespace

TEST_F(MagStill, CapturesAskForTheMonitorsOnlyAfterTheSystemSaysTheyChanged) {
    ScreenPattern detail(kDetail, paintDetail);
    testing_support::ImportPatch enumerate(L"user32.dll", "EnumDisplayMonitors",
                                           reinterpret_cast<std::uintptr_t>(&MonitorQuestions::enumerate));
    ASSERT_TRUE(enumerate.active());
    // Not imported at all where the program no longer asks this way.
    testing_support::ImportPatch fromPoint(L"user32.dll", "MonitorFromPoint",
                                           reinterpret_cast<std::uintptr_t>(&MonitorQuestions::fromPoint));
    testing_support::ImportPatch info(L"user32.dll", "GetMonitorInfoW",
                                      reinterpret_cast<std::uintptr_t>(&MonitorQuestions::info));
    struct RealLayoutAfter {
        ~RealLayoutAfter() {
            MonitorQuestions::layout.clear();
            win32::monitorsChanged();
        }
    } realLayoutAfter;
    const HWND window = form->handle();
    const int w = form->Image1->width(), h = form->Image1->height();
    const int px = 1290, py = 600;
    // The picture's first pixel is its source's first, as read from the screen: the source for the pointer
    // at p kept on monitor m.
    auto firstPixelFor = [&](POINT p, const ocellus::IntRect& m) {
        const ocellus::SourceRect src = ocellus::sourceRectangle(p.x, p.y, w, h, ocellus::ZoomCode, m);
        return detailColour(src.left - kDetail.left, src.top - kDetail.top);
    };
    auto firstPixelOnMonitor = [&](int right) { return firstPixelFor({px, py}, {0, 0, right, 1080}); };
    auto firstPixelShown = [&] { return ocellus::pixelOf(form->Image1->picture().pixels(), 0, 0); };
    ASSERT_NE(firstPixelOnMonitor(1300), firstPixelOnMonitor(1920));

    capture(1100, 600);
    MonitorQuestions::asked = 0;
    for (POINT p : {POINT{1100, 600}, POINT{px, py}, POINT{10, 700}, POINT{1900, 1070}}) capture(p.x, p.y);
    EXPECT_EQ(MonitorQuestions::asked, 0);

    // The screen cut in two at x = 1300, which only a notice of the change makes the captures see.
    MonitorQuestions::layout = {{0, 0, 1300, 1080}, {1300, 0, 1920, 1080}};
    RECT frame;
    ::GetWindowRect(window, &frame);
    const std::pair<const char*, std::function<void()>> notices[] = {
        {"display change", [&] { ::SendMessageW(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(1920, 1080)); }},
        {"work area", [&] { ::SendMessageW(window, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0); }},
        {"density", [&] { ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&frame)); }},
    };
    bool cut = false;
    for (const auto& [name, notice] : notices) {
        SCOPED_TRACE(name);
        capture(px, py);
        EXPECT_EQ(firstPixelShown(), firstPixelOnMonitor(cut ? 1300 : 1920));
        // Any other setting leaves the monitors as they were.
        ::SendMessageW(window, WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, 0);
        capture(px, py);
        EXPECT_EQ(MonitorQuestions::asked, 0);

        cut = !cut;
        MonitorQuestions::layout = cut ? std::vector<RECT>{{0, 0, 1300, 1080}, {1300, 0, 1920, 1080}}
                                       : std::vector<RECT>{{0, 0, 1920, 1080}};
        notice();
        MonitorQuestions::asked = 0;
        capture(px, py);
        EXPECT_EQ(firstPixelShown(), firstPixelOnMonitor(cut ? 1300 : 1920));
        EXPECT_EQ(MonitorQuestions::asked, 1);
        MonitorQuestions::asked = 0;
    }

    // On no monitor, the nearest one holds the source: the left one, 41 pixels away, not the right (71).
    MonitorQuestions::layout = {{1300, 0, 1920, 800}, {0, 0, 1300, 1080}};
    ::SendMessageW(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(1920, 1080));
    capture(1340, 870);
    EXPECT_EQ(firstPixelShown(), firstPixelFor({1340, 870}, {0, 0, 1300, 1080}));
    ASSERT_NE(firstPixelFor({1340, 870}, {0, 0, 1300, 1080}), firstPixelFor({1340, 870}, {1300, 0, 1920, 800}));
}

namespace {

// Screen reads fail, as on a locked workstation or a secure desktop; reads of memory still work.
BOOL WINAPI failScreenReads(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
    if (src && ::GetObjectType(src) == OBJ_DC) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // Not ::BitBlt: this program's own import of it is the one patched.
    static const auto real = testing_support::loadedFunction<decltype(&::BitBlt)>(L"gdi32.dll", "BitBlt");
    return real(dst, x, y, w, h, src, sx, sy, rop);
}

}  // namespace

TEST_F(MagStill, FailedScreenReadShowsTheFailureValueAndKeepsThePicture) {
    ScreenPattern detail(kDetail, paintDetail);
    const int px = 1100, py = 600;
    form->enhancerb->setChecked(true);
    form->invertcb->setChecked(true);
    capture(px, py);
    const std::vector<std::uint8_t> shown = picture();
    const std::wstring colour = windowText(form->rgblabel->handle());
    const int gdiBefore = testing_support::gdiObjectCount();
    {
        testing_support::ImportPatch patch(L"gdi32.dll", "BitBlt", reinterpret_cast<std::uintptr_t>(&failScreenReads));
        ASSERT_TRUE(patch.active());
        const wchar_t* expected[] = {L"RGB: 255,255,255", L"$FFFFFF", L"-1"};
        for (int round = 0; round < 6; ++round) {
            ocellus::ReadoutFormat = 1 + round % 3;
            const std::string touched = capture(px, py);
            EXPECT_EQ(touched.find("picture"), std::string::npos) << "round " << round;
            EXPECT_EQ(windowText(form->rgblabel->handle()), expected[round % 3]);
            EXPECT_EQ(form->colpanel->color, ocellus::kFailedRead);
            EXPECT_EQ(picture(), shown) << "round " << round;
        }
        RECT swatch;
        ::GetWindowRect(form->colpanel->handle(), &swatch);
        EXPECT_TRUE(
            screenShows((swatch.left + swatch.right) / 2, (swatch.top + swatch.bottom) / 2, RGB(255, 255, 255)));
    }
    // The next read that works carries on: same screen, so the same picture, and the real colour.
    ocellus::ReadoutFormat = 1;
    EXPECT_EQ(capture(px, py), "readout swatch");
    EXPECT_EQ(windowText(form->rgblabel->handle()), colour);
    EXPECT_EQ(picture(), shown);
    EXPECT_LE(testing_support::gdiObjectCount(), gdiBefore);
}
