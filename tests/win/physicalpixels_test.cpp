// Screen reads in physical pixels: the scoped per-monitor awareness, and the live capture and the
// unmagnified copy on a scaled display, made by a thread that is not aware, as Windows runs a program
// without the manifest.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/mag.h"
#include "win32/physicalpixels.h"
#include "win32/systemfunction.h"
#include "system_lookup.h"
#include "app_support.h"
#include "child_run.h"
#include "clipboard_picture.h"
#include "win_support.h"

using testing_support::ScreenPattern;

namespace {

using testing_support::user32Function;

const auto setContext = user32Function<DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT)>(
    "SetThreadDpiAwarenessContext");
const auto getContext = user32Function<DPI_AWARENESS_CONTEXT(WINAPI*)()>("GetThreadDpiAwarenessContext");
const auto sameContext = user32Function<BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT, DPI_AWARENESS_CONTEXT)>(
    "AreDpiAwarenessContextsEqual");

bool threadIs(DPI_AWARENESS_CONTEXT c) { return sameContext(getContext(), c) != FALSE; }

// The thread in a given awareness for the test's scope.
class ThreadContext {
public:
    explicit ThreadContext(DPI_AWARENESS_CONTEXT c) : previous_(setContext(c)) {}
    ~ThreadContext() { setContext(previous_); }
    ThreadContext(const ThreadContext&) = delete;
    ThreadContext& operator=(const ThreadContext&) = delete;

private:
    DPI_AWARENESS_CONTEXT previous_;
};

class PhysicalPixels : public ::testing::Test {
protected:
    void SetUp() override {
        if (!(setContext && getContext && sameContext)) {
            { const win32::PhysicalPixelsScope quiet; }
            GTEST_SKIP() << "allowed: no-thread-awareness: none in user32; the scope checked to do nothing";
        }
        if (win32::simulatedWindows() >= win32::WindowsVersion::Ten1607) return;
        // Before Windows 10 1607 a thread has the process's awareness, and the scope leaves it so.
        const ThreadContext known(DPI_AWARENESS_CONTEXT_UNAWARE);
        {
            const win32::PhysicalPixelsScope scope;
            EXPECT_TRUE(threadIs(DPI_AWARENESS_CONTEXT_UNAWARE));
        }
        EXPECT_TRUE(threadIs(DPI_AWARENESS_CONTEXT_UNAWARE));
        GTEST_SKIP() << "allowed: no-thread-awareness: checked that the scope changes nothing";
    }
};

TEST_F(PhysicalPixels, InsideTheScopeThePerMonitorAwarenessAfterItTheOneBefore) {
    for (DPI_AWARENESS_CONTEXT start : {DPI_AWARENESS_CONTEXT_UNAWARE, DPI_AWARENESS_CONTEXT_SYSTEM_AWARE,
                                        DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE}) {
        const ThreadContext known(start);
        {
            const win32::PhysicalPixelsScope outer;
            EXPECT_TRUE(threadIs(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE));
            { const win32::PhysicalPixelsScope inner; }
            EXPECT_TRUE(threadIs(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE));
        }
        EXPECT_TRUE(threadIs(start));
    }
}

TEST_F(PhysicalPixels, AnErrorLeavingTheScopeRestoresTheAwarenessBefore) {
    const ThreadContext known(DPI_AWARENESS_CONTEXT_UNAWARE);
    EXPECT_THROW(
        {
            const win32::PhysicalPixelsScope physical;
            throw std::runtime_error("read failed");
        },
        std::runtime_error);
    EXPECT_TRUE(threadIs(DPI_AWARENESS_CONTEXT_UNAWARE));
}

// ----- a scaled display -----

constexpr DWORD kScaledDensity = 144;
constexpr wchar_t kChildMark[] = L"OCELLUS_SCALED_RUN";

int screenDensity() {
    HDC dc = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
    ::ReleaseDC(nullptr, dc);
    return dpi;
}

// A thread that is not aware sees the pointer and the display divided by the scale (Wine does this
// too), while the desktop DC reads physical pixels: the captures must read inside the scope.
class ScaledDisplay : public testing_support::ProgramWindowTest {
protected:
    void SetUp() override {
        ProgramWindowTest::SetUp();
        if (!setContext) GTEST_SKIP() << "allowed: no-thread-awareness: none in user32";
    }
    // Whether the test goes on here, in a process started on a scaled display; elsewhere it runs
    // again in a child started so.
    bool onScaledDisplay() {
        if (screenDensity() != 96) return true;
        if (testing_support::inChild(kChildMark)) {
            ADD_FAILURE() << "the density setting did not reach the child process";
            return false;
        }
        const testing_support::DesktopSetting scaled(L"LogPixels", kScaledDensity);
        testing_support::runCurrentTestInChild(kChildMark);
        return false;
    }
    // The main window, capturing only when the test asks, and the pointer at a spot in physical
    // pixels that lies outside the smaller screen an unaware thread sees.
    POINT pointerAtSpot() {
        create(false);
        form->Timer1->setEnabled(false);
        form->Timer2->setEnabled(false);
        screen = {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        const POINT spot{screen.cx * 3 / 4, screen.cy * 2 / 3};
        testing_support::movePointer(spot);
        return spot;
    }
    // Called unaware: the scale the rest of the test depends on.
    void expectScaled() const {
        EXPECT_NE(::GetSystemMetrics(SM_CXSCREEN), screen.cx) << "the system does not scale for this thread";
    }

    SIZE screen{};
};

TEST_F(ScaledDisplay, AnUnawareThreadCopiesTheAreaUnderThePhysicalPointer) {
    if (!onScaledDisplay()) return;
    const POINT spot = pointerAtSpot();
    constexpr COLORREF kColour = RGB(18, 52, 86);
    const ScreenPattern pattern({spot.x - 200, spot.y - 150, spot.x + 200, spot.y + 150},
                                ScreenPattern::solid(kColour));

    const ThreadContext unaware(DPI_AWARENESS_CONTEXT_UNAWARE);
    expectScaled();
    {
        const win32::PhysicalPixelsScope physical;
        POINT at{};
        ::GetCursorPos(&at);
        EXPECT_EQ(at.x, spot.x);
        EXPECT_EQ(at.y, spot.y);
        EXPECT_EQ(::GetSystemMetrics(SM_CXSCREEN), screen.cx);
    }
    form->copyunmagimagetoclipboard();
    const auto picture = testing_support::clipboardPicture();
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 190);  // the 572 x 356 picture at x3
    EXPECT_EQ(picture->height, 118);
    const std::vector<COLORREF>& pixels = picture->pixels;
    ASSERT_FALSE(pixels.empty());
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), kColour), static_cast<std::ptrdiff_t>(pixels.size()));
}

TEST_F(ScaledDisplay, TheLiveCaptureShowsTheAreaPixelAndPositionOfThePhysicalPointer) {
    if (!onScaledDisplay()) return;
    const POINT spot = pointerAtSpot();
    constexpr COLORREF kLeft = RGB(18, 52, 86), kRight = RGB(200, 30, 160);
    const ScreenPattern pattern({spot.x - 200, spot.y - 150, spot.x + 200, spot.y + 150},
                                ScreenPattern::halves(kLeft, kRight));

    const ThreadContext unaware(DPI_AWARENESS_CONTEXT_UNAWARE);
    expectScaled();
    form->Timer2Timer(form->Timer2);
    EXPECT_EQ(form->xyLabel->caption(), std::to_wstring(spot.x) + L", " + std::to_wstring(spot.y));
    EXPECT_EQ(form->rgblabel->caption(), L"RGB: 200,30,160");
    // The 190 x 118 area around the pointer at x3: the split runs down the picture's middle.
    const ocellus::PixelView picture = form->Image1->picture().pixels();
    ASSERT_EQ(picture.width, 572);
    ASSERT_NE(picture.row0, nullptr);
    const int middle = picture.width / 2;
    int wrong = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            if (std::abs(x - middle) < 4) continue;  // where the stretch rounds the split
            const std::uint8_t* p = picture.row0 + picture.stride * y + x * picture.bytesPerPixel;
            if (RGB(p[2], p[1], p[0]) != (x < middle ? kLeft : kRight)) ++wrong;
        }
    EXPECT_EQ(wrong, 0) << "pixels of the picture not from the area around the pointer";
}

// The clipboard's work can create a window (the one that owns it), which must not take the scope's
// awareness: the copy opens the clipboard only after the scope.
int clipboardOpens = 0;
bool openedPerMonitorAware = false;
BOOL WINAPI recordingOpenClipboard(HWND owner) {
    ++clipboardOpens;
    openedPerMonitorAware = openedPerMonitorAware || threadIs(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    return user32Function<BOOL(WINAPI*)(HWND)>("OpenClipboard")(owner);
}

class UnmagnifiedCopy : public testing_support::ProgramWindowTest {};

TEST_F(UnmagnifiedCopy, OpensTheClipboardOutsideThePhysicalPixelsScope) {
    if (!setContext) GTEST_SKIP() << "allowed: no-thread-awareness: none in user32";
    create(false);
    form->Timer1->setEnabled(false);
    form->Timer2->setEnabled(false);
    const testing_support::ImportPatch patch(L"user32.dll", "OpenClipboard",
                                             reinterpret_cast<std::uintptr_t>(&recordingOpenClipboard));
    ASSERT_TRUE(patch.active());
    const ThreadContext unaware(DPI_AWARENESS_CONTEXT_UNAWARE);
    form->copyunmagimagetoclipboard();
    EXPECT_EQ(clipboardOpens, 1);
    EXPECT_FALSE(openedPerMonitorAware);
}

}  // namespace
