// End-to-end on two monitors: the picture and the copies show what is under the pointer on the second
// monitor, and the window and the About dialog open on the monitor the window was on. Needs the
// two-monitor display of scripts/winenv.sh (headless-2mon); on one monitor every test skips, or fails
// where the run says two monitors are there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "e2e_support.h"

namespace e2e {
namespace {

BOOL CALLBACK keepSecondMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!::GetMonitorInfoW(monitor, &info) || (info.dwFlags & MONITORINFOF_PRIMARY)) return TRUE;
    *reinterpret_cast<std::optional<RECT>*>(data) = info.rcMonitor;
    return FALSE;
}

std::optional<RECT> secondMonitor() {
    std::optional<RECT> found;
    ::EnumDisplayMonitors(nullptr, nullptr, keepSecondMonitor, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring positionText(POINT p) { return std::to_wstring(p.x) + L", " + std::to_wstring(p.y); }

class E2eTwoMonitors : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        const std::optional<RECT> m = secondMonitor();
        // The two-monitor runs set OCELLUS_MONITORS: there one monitor is the display's fault, not a skip.
        if (!m && std::getenv("OCELLUS_MONITORS")) FAIL() << "the system reports one monitor on a two-monitor display";
        if (!m) GTEST_SKIP() << "allowed: one-monitor: these run on the two-monitor display of scripts/winenv.sh";
        second_ = *m;
    }
    void TearDown() override {
        codes_.reset();
        ProgramTest::TearDown();
    }

    // Every pixel of the second monitor coded, over anything the program or the desktop shows there.
    void coverSecondMonitor() { codes_ = std::make_unique<ScreenPattern>(second_, paintCodes); }
    COLORREF codeOnScreen(int x, int y) const { return codeAt(x - second_.left, y - second_.top); }

    // Where the window starts next, as the settings store keeps it.
    static void saveTopLeft(POINT p) {
        ASSERT_TRUE(writeText(L"Left", std::to_wstring(p.x)));
        ASSERT_TRUE(writeText(L"Top", std::to_wstring(p.y)));
    }

    // The middle of the second monitor, and its edges away from the primary display.
    struct Spot {
        const char* name;
        POINT at;
    };
    std::array<Spot, 4> spots() const {
        const RECT& m = second_;
        const int midX = (m.left + m.right) / 2, midY = (m.top + m.bottom) / 2;
        const int outerX = m.left >= 0 ? m.right - 1 : m.left;
        return {{{"middle", {midX, midY}},
                 {"outer edge", {outerX, midY}},
                 {"top edge", {midX, m.top}},
                 {"bottom edge", {midX, m.bottom - 1}}}};
    }

    // The 1:1 area around p that the pictures enlarge at x3, kept on the second monitor.
    RECT areaAround(POINT p, SIZE picture) const {
        const int w = 2 * (picture.cx / 6), h = 2 * (picture.cy / 6);
        const int left = std::clamp<int>(p.x - w / 2, second_.left, second_.right - w);
        const int top = std::clamp<int>(p.y - h / 2, second_.top, second_.bottom - h);
        return {left, top, left + w, top + h};
    }

    RECT second_{};

private:
    std::unique_ptr<ScreenPattern> codes_;
};

// ----- what the pictures show -----

TEST_F(E2eTwoMonitors, ReadoutAndBothCopiesShowTheAreaUnderThePointer) {
    ASSERT_TRUE(start());
    coverSecondMonitor();
    const SIZE picture = clientSize(app.picture());
    HWND readout = app.readoutLabel(), xy = app.coordinatesLabel();
    for (const Spot& spot : spots()) {
        SCOPED_TRACE(spot.name);
        const POINT p = spot.at;
        movePointer(p);
        EXPECT_EQ(waitForTextEqual(xy, positionText(p)), positionText(p));
        const std::wstring colour = rgbText(codeOnScreen(p.x, p.y));
        EXPECT_EQ(waitForTextEqual(readout, colour), colour);
        const RECT area = areaAround(p, picture);
        const int w = area.right - area.left, h = area.bottom - area.top;

        // Ctrl+U: the area itself, pixel for pixel.
        EXPECT_EQ(differenceOf(copyPicture('U'), screenPicture(area)), "");

        // Ctrl+C: the same area enlarged, sampled in the middle of the blocks of its corner and centre pixels.
        auto sample = [&](const Picture& pic, int sx, int sy) {
            return pic.at((2 * sx + 1) * pic.width / (2 * w), (2 * sy + 1) * pic.height / (2 * h));
        };
        auto matches = [&](const Picture& pic) {
            if (pic.width != picture.cx || pic.height != picture.cy) return false;
            for (int sx : {0, w / 2, w - 1})
                for (int sy : {0, h / 2, h - 1})
                    if (sample(pic, sx, sy) != codeOnScreen(area.left + sx, area.top + sy)) return false;
            return true;
        };
        auto magnified = pictureWhen(matches);
        ASSERT_TRUE(magnified);
        EXPECT_TRUE(matches(*magnified)) << "the magnified picture is not the area around the pointer";
    }
}

// ----- where the windows open -----

TEST_F(E2eTwoMonitors, AWindowSavedOnTheSecondMonitorStartsThereAndEscSavesIt) {
    const POINT saved{second_.left + 100, second_.top + 60};
    saveTopLeft(saved);
    HWND w = start();
    ASSERT_TRUE(w);
    const RECT r = windowRect(w);
    EXPECT_EQ(r.left, saved.x);
    EXPECT_EQ(r.top, saved.y);

    bringToFront(w);
    sendKey(VK_ESCAPE);
    ASSERT_TRUE(app.waitForExit()) << "Esc did not end the program";
    EXPECT_EQ(readText(L"Left").value_or(L"<none>"), std::to_wstring(saved.x));
    EXPECT_EQ(readText(L"Top").value_or(L"<none>"), std::to_wstring(saved.y));
}

TEST_F(E2eTwoMonitors, AWindowSavedOffEveryMonitorStartsAtTheOrigin) {
    const int beyondOuterEdge = second_.left >= 0 ? second_.right + 300 : second_.left - 1000;
    const Spot places[] = {
        {"below the smaller monitor, where no monitor is", {second_.left + 100, second_.bottom + 100}},
        {"beyond the outer edge", {beyondOuterEdge, second_.top + 60}},
        {"title bar within 50 pixels of the monitor's bottom", {second_.left + 100, second_.bottom - 40}},
    };
    for (const Spot& place : places) {
        SCOPED_TRACE(place.name);
        saveTopLeft(place.at);
        HWND w = start();
        ASSERT_TRUE(w);
        const RECT r = windowRect(w);
        EXPECT_EQ(r.left, 0);
        EXPECT_EQ(r.top, 0);
        EXPECT_TRUE(app.close());
    }
}

TEST_F(E2eTwoMonitors, AboutOpensCentredOnTheMainWindowsMonitor) {
    saveTopLeft({second_.left + 100, second_.top + 60});
    HWND w = start();
    ASSERT_TRUE(w);
    movePointer(centreOf(app.picture()));
    bringToFront(w);
    sendKey(VK_F1);
    HWND about = waitForAbout(app.pid());
    ASSERT_TRUE(about) << "F1 opened no About dialog";
    const POINT centre = centreOf(about);
    EXPECT_NEAR(centre.x, (second_.left + second_.right) / 2, 1);
    EXPECT_NEAR(centre.y, (second_.top + second_.bottom) / 2, 1);
    HWND ok = findChild(about, L"Button", L"OK");
    ASSERT_TRUE(ok);
    ASSERT_TRUE(clickButton(ok));
    EXPECT_TRUE(pumpUntil([&] { return !::IsWindowVisible(about); }, kUiTimeoutMs));
}

}  // namespace
}  // namespace e2e
