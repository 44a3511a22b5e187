// Each window follows its monitor's pixel density: WM_DPICHANGED and WM_GETDPISCALEDSIZE sent to the
// real forms as Windows sends them (Wine has one density and sends neither), the start-up placement,
// the About dialog's density, and the process's awareness when Wine honours the manifest.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdio>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "about/about.h"
#include "app/mag.h"
#include "win32/density.h"
#include "win32/systemfunction.h"
#include "system_lookup.h"
#include "app_support.h"
#include "child_run.h"
#include "win_support.h"

using ocellus::TForm1;

namespace {

constexpr UINT kGetDpiScaledSize = 0x02E4;

bool framesFollowDensity() { return win32::simulatedWindows() >= win32::WindowsVersion::Ten1607; }

int stepPercent(int dpi) { return dpi <= 110 ? 100 : dpi <= 134 ? 125 : dpi <= 170 ? 150 : 200; }

void systemReports(int dpi) {
    win32::seams().pixelsPerInch = [dpi](HWND) { return dpi; };
}

RECT windowRect(HWND h) {
    RECT r{};
    ::GetWindowRect(h, &r);
    return r;
}

// Every value of a form's layout: the framework's bounds and font heights, and what the windows have.
struct Layout {
    SIZE client{};
    std::vector<std::wstring> names;
    std::vector<int> values;
};

int fontHeightOf(HWND h) {
    LOGFONTW lf{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(h, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf.lfHeight;
}

Layout layoutOf(forms::Form& f) {
    Layout out{{f.clientWidth(), f.clientHeight()}, {}, {}};
    auto add = [&](const std::wstring& name, std::initializer_list<int> v) {
        for (int x : v) {
            out.names.push_back(name);
            out.values.push_back(x);
        }
    };
    add(L"form font", {f.font().height});
    for (const auto& component : f.components()) {
        auto* c = dynamic_cast<forms::Control*>(component.get());
        if (!c) continue;
        RECT r = windowRect(c->handle());
        ::MapWindowPoints(nullptr, ::GetParent(c->handle()), reinterpret_cast<POINT*>(&r), 2);
        add(c->name, {c->left(), c->top(), c->width(), c->height(), c->font().height, r.left, r.top,
                      r.right - r.left, r.bottom - r.top, fontHeightOf(c->handle())});
    }
    return out;
}

// How many values differ; each is reported when report is set.
int differences(const Layout& a, const Layout& b, bool report = true) {
    if (report) {
        EXPECT_EQ(a.client.cx, b.client.cx);
        EXPECT_EQ(a.client.cy, b.client.cy);
    }
    int n = 0;
    for (std::size_t i = 0; i < a.values.size() && i < b.values.size(); ++i)
        if (a.values[i] != b.values[i]) {
            ++n;
            if (report)
                ADD_FAILURE() << std::string(a.names[i].begin(), a.names[i].end()) << " value " << i << ": "
                              << a.values[i] << " != " << b.values[i];
        }
    return n;
}

// What Windows does when a window reaches a monitor of another density: asks the window for its size
// there, then announces the change with a rectangle of that size where the window is. Wine draws
// every frame at its one density, so the rectangle is the client asked for in the frame the window
// really has, as Windows' rectangle is in the frame the window has once there.
void moveToDensity(forms::Form& f, int dpi) {
    const RECT now = windowRect(f.handle());
    SIZE size{now.right - now.left, now.bottom - now.top};
    ::SendMessageW(f.handle(), kGetDpiScaledSize, dpi, reinterpret_cast<LPARAM>(&size));
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(f.handle(), GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(f.handle(), GWL_EXSTYLE));
    const RECT asked = win32::windowRectForClient(0, 0, style, exStyle, dpi);
    const RECT real = win32::windowRectForClient(0, 0, style, exStyle, win32::windowPixelsPerInch(f.handle()));
    size.cx += (real.right - real.left) - (asked.right - asked.left);
    size.cy += (real.bottom - real.top) - (asked.bottom - asked.top);
    RECT suggested{now.left, now.top, now.left + size.cx, now.top + size.cy};
    ::SendMessageW(f.handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

bool windowIsAt(HWND h, const RECT& r) {
    const RECT now = windowRect(h);
    return ::EqualRect(&now, &r) != FALSE;
}

class Density : public testing_support::ProgramWindowTest {
protected:
    TForm1& createAt(int dpi) {
        systemReports(dpi);
        create(false);
        form->Timer1->setEnabled(false);
        form->Timer2->setEnabled(false);
        return *form;
    }
    // The main window as a start at that density makes it, then sized to the client given.
    Layout freshAt(int dpi, SIZE client) {
        form.reset();
        testing_support::deleteSettings();  // the window saved its bounds as it went
        createAt(dpi).setClientSize(client.cx, client.cy);
        return layoutOf(*form);
    }
    // Moves the window through the densities, then compares it with a fresh start at the last one.
    void expectNoDrift(const std::vector<int>& densities) {
        TForm1& f = createAt(densities.front());
        const SIZE design{f.clientWidth(), f.clientHeight()};
        for (std::size_t i = 1; i < densities.size(); ++i) moveToDensity(f, densities[i]);
        const int percent = stepPercent(densities.back());
        // The window's size does not drift either: it is the start's, stepped once.
        EXPECT_EQ(f.clientWidth(), ::MulDiv(design.cx, percent, stepPercent(densities.front())));
        EXPECT_EQ(f.clientHeight(), ::MulDiv(design.cy, percent, stepPercent(densities.front())));
        EXPECT_EQ(f.pixelsPerInch(), densities.back());
        const Layout moved = layoutOf(f);
        EXPECT_EQ(differences(moved, freshAt(densities.back(), moved.client)), 0);
    }
};

}  // namespace

TEST_F(Density, AMoveTo144TakesTheSuggestedRectangleAndLaysOutAsAStartAt144) {
    TForm1& f = createAt(96);
    int resizes = 0;
    f.onResize = [&, original = f.onResize](forms::Component* s) {
        ++resizes;
        original(s);
    };
    // Not the size the window asked for: the system's rectangle still goes on exactly.
    RECT suggested{40, 30, 40 + 911, 30 + 702};
    ::SendMessageW(f.handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_TRUE(windowIsAt(f.handle(), suggested));
    EXPECT_EQ(resizes, 1);
    EXPECT_EQ(f.pixelsPerInch(), 144);
    EXPECT_EQ(f.font().height, -15);
    EXPECT_EQ(fontHeightOf(f.Button1->handle()), -15);
    const Layout moved = layoutOf(f);
    EXPECT_EQ(differences(moved, freshAt(144, moved.client)), 0);
}

TEST_F(Density, RoundTripsAndARandomWalkEndExactlyAsAFreshStart) {
    for (const std::vector<int>& trip : {std::vector<int>{120, 192, 96}, std::vector<int>{144, 120, 96}}) {
        SCOPED_TRACE(trip[0]);
        expectNoDrift(trip);
    }
    std::mt19937 random(19);
    const int densities[] = {96, 120, 144, 168, 192};
    std::vector<int> walk{96};
    while (walk.size() < 21) walk.push_back(densities[random() % 5]);
    SCOPED_TRACE("random walk");
    expectNoDrift(walk);
}

TEST_F(Density, TwentyRoundTripsLeaveNoFontBehind) {
    TForm1& f = createAt(96);
    moveToDensity(f, 192);
    moveToDensity(f, 96);
    const int objects = testing_support::gdiObjectCount();
    for (int i = 0; i < 20; ++i) {
        moveToDensity(f, i % 2 ? 120 : 168);
        moveToDensity(f, 96);
    }
    EXPECT_EQ(testing_support::gdiObjectCount(), objects);
}

TEST_F(Density, TheSizeAskedForIsTheSteppedClientInTheFrameOfTheNewDensity) {
    TForm1& f = createAt(96);
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(f.handle(), GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(f.handle(), GWL_EXSTYLE));
    auto asked = [&](int dpi) {
        SIZE size{1, 1};
        EXPECT_TRUE(::SendMessageW(f.handle(), kGetDpiScaledSize, dpi, reinterpret_cast<LPARAM>(&size)));
        return size;
    };
    auto framed = [&](int w, int h, int dpi) {
        const RECT r = win32::windowRectForClient(w, h, style, exStyle, dpi);
        return SIZE{r.right - r.left, r.bottom - r.top};
    };
    SIZE at168 = asked(168), expected = framed(900, 645, 168);
    EXPECT_EQ(at168.cx, expected.cx);
    EXPECT_EQ(at168.cy, expected.cy);
    // From Windows 10 1607 on the caption is taller at 168, a frame of its own; before, the system
    // draws every frame at the screen's density.
    if (framesFollowDensity())
        EXPECT_NE(expected.cy, framed(900, 645, 96).cy);
    else
        EXPECT_EQ(expected.cy, framed(900, 645, 96).cy);

    f.setClientSize(700, 500);  // as the user left it
    expected = framed(1050, 750, 168);
    for (const bool minimised : {false, true}) {
        SCOPED_TRACE(minimised);
        at168 = asked(168);
        EXPECT_EQ(at168.cx, expected.cx);
        EXPECT_EQ(at168.cy, expected.cy);
        // A minimised window placed by the program keeps the client it will be restored to.
        ::ShowWindow(f.handle(), SW_MINIMIZE);
        const RECT b = f.boundsRect();
        f.setBounds(b.left, b.top, b.right - b.left, b.bottom - b.top);
    }
}

namespace {

const auto realDeviceCaps = testing_support::loadedFunction<decltype(&::GetDeviceCaps)>(L"gdi32.dll", "GetDeviceCaps");

// The screen's density as a sign-in at another scale left it.
int WINAPI screenSignedInElsewhere(HDC dc, int index) {
    return realDeviceCaps(dc, index) + (index == LOGPIXELSY ? 24 : 0);
}

}  // namespace

// Windows 7 scales the program for the screen only; from 8.1 on the process is per-monitor aware and a
// window's density is its monitor's, whatever the screen's was at sign-in.
TEST_F(Density, AWindowHasItsMonitorsDensityWhereverWindowsKeepsOne) {
    TForm1& f = createAt(96);
    const win32::WindowDc screen(nullptr, ::GetDC(nullptr));
    const int monitor = realDeviceCaps(screen.get(), LOGPIXELSY);
    const testing_support::ImportPatch signedIn(L"gdi32.dll", "GetDeviceCaps",
                                                reinterpret_cast<std::uintptr_t>(&screenSignedInElsewhere));
    ASSERT_TRUE(signedIn.active());
    const bool perMonitor = win32::simulatedWindows() >= win32::WindowsVersion::EightOne;
    EXPECT_EQ(win32::windowPixelsPerInch(f.handle()), perMonitor ? monitor : monitor + 24);
    EXPECT_EQ(win32::windowPixelsPerInch(nullptr), monitor + 24);
}

TEST_F(Density, AChangeWithoutARectangleOrDensityLeavesTheWindowWhereItIs) {
    TForm1& f = createAt(96);
    const RECT before = windowRect(f.handle());
    ::SendMessageW(f.handle(), WM_DPICHANGED, 0, 0);
    EXPECT_EQ(f.pixelsPerInch(), 96);
    ::SendMessageW(f.handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), 0);
    EXPECT_EQ(f.pixelsPerInch(), 144);
    EXPECT_TRUE(windowIsAt(f.handle(), before));
    EXPECT_EQ(f.Panel1->top(), 11);  // laid out for 144 in the window as it is
    EXPECT_FALSE(::SendMessageW(f.handle(), kGetDpiScaledSize, 144, 0));
}

namespace {

// Announces a change to 144 dpi, with a rectangle elsewhere, while the main window is being placed at
// its stored bounds, as Windows does when those lie on a monitor of another density.
HHOOK placementHook = nullptr;
RECT storedBounds{};
bool announced = false;

LRESULT CALLBACK duringPlacement(int code, WPARAM wp, LPARAM lp) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
    wchar_t cls[16] = {};
    if (code == HC_ACTION && !announced && call->message == WM_WINDOWPOSCHANGED &&
        ::GetClassNameW(call->hwnd, cls, 16) && std::wstring(cls) == L"TForm1") {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(call->lParam);
        if (pos->x == storedBounds.left && pos->y == storedBounds.top) {
            announced = true;
            RECT elsewhere{500, 400, 500 + 1000, 400 + 700};
            ::SendMessageW(call->hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&elsewhere));
        }
    }
    return ::CallNextHookEx(placementHook, code, wp, lp);
}

}  // namespace

TEST_F(Density, AChangeDuringTheStartUpPlacementKeepsTheStoredRectangle) {
    storedBounds = {200, 150, 200 + 800, 150 + 600};
    const std::pair<const wchar_t*, int> stored[] = {{L"Left", 200}, {L"Top", 150}, {L"Width", 800}, {L"Height", 600}};
    for (const auto& [name, value] : stored) ASSERT_TRUE(testing_support::storeSetting(name, std::to_wstring(value)));
    announced = false;
    placementHook = ::SetWindowsHookExW(WH_CALLWNDPROC, duringPlacement, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(placementHook, nullptr);
    TForm1& f = createAt(96);
    ::UnhookWindowsHookEx(placementHook);
    ASSERT_TRUE(announced);
    EXPECT_TRUE(windowIsAt(f.handle(), storedBounds));
    EXPECT_EQ(f.pixelsPerInch(), 144);
    const Layout placed = layoutOf(f);
    EXPECT_EQ(differences(placed, freshAt(144, placed.client)), 0);
}

namespace {

// Where the About dialog's window is made: the system gives it that monitor's frame.
HHOOK creationHook = nullptr;
POINT aboutMadeAt{-1, -1};

LRESULT CALLBACK duringCreation(int code, WPARAM wp, LPARAM lp) {
    wchar_t cls[16] = {};
    if (code == HCBT_CREATEWND && ::GetClassNameW(reinterpret_cast<HWND>(wp), cls, 16) &&
        std::wstring(cls) == L"TAboutForm") {
        const CREATESTRUCTW* cs = reinterpret_cast<const CBT_CREATEWNDW*>(lp)->lpcs;
        aboutMadeAt = {cs->x, cs->y};
    }
    return ::CallNextHookEx(creationHook, code, wp, lp);
}

}  // namespace

TEST_F(Density, AboutOpensAt150PercentOverAWindowAt144WhileTheSystemSays96) {
    testing_support::StepsCleanup cleanup;
    TForm1& f = createAt(96);
    moveToDensity(f, 144);
    // Away from the main monitor's corner, where the dialog would get that monitor's frame.
    f.setBounds(600, 300, f.width(), f.height());
    aboutMadeAt = {-1, -1};
    creationHook = ::SetWindowsHookExW(WH_CBT, duringCreation, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(creationHook, nullptr);
    // Read inside the dialog's loop, checked after it: a failed check in there would keep the loop going.
    std::optional<std::array<int, 7>> seen;
    testing_support::later(50, [&] {
        forms::Form* modal = forms::application().modalForm();
        if (ocellus::TAboutForm* about = ocellus::AboutForm)
            seen = std::array<int, 7>{about->pixelsPerInch(),       about->clientWidth(),
                                      about->clientHeight(),        about->OKButton->left(),
                                      about->OKButton->width(),     fontHeightOf(about->OKButton->handle()),
                                      fontHeightOf(about->Label5->handle())};
        if (modal) modal->modalResult = 1;
    });
    f.Button1Click(&f);
    ::UnhookWindowsHookEx(creationHook);
    ASSERT_TRUE(seen) << "no About dialog";
    EXPECT_EQ(*seen, (std::array{144, 510, 425, ::MulDiv(205, 150, 100), ::MulDiv(92, 150, 100), -20, -35}))
        << "density, client width and height, OK's left and width, the fonts of OK and of the title line";
    const RECT owner = windowRect(f.handle());
    EXPECT_TRUE(::PtInRect(&owner, aboutMadeAt)) << aboutMadeAt.x << "," << aboutMadeAt.y;
}

// ----- the process's awareness -----

namespace {

constexpr wchar_t kHonouredMark[] = L"OCELLUS_MANIFEST_HONOURED";

// 0 unaware, 1 system-aware, 2 per-monitor.
int processAwareness() {
    const auto get = testing_support::user32Function<DPI_AWARENESS_CONTEXT(WINAPI*)()>("GetThreadDpiAwarenessContext");
    const auto awareness =
        testing_support::user32Function<DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT)>("GetAwarenessFromDpiAwarenessContext");
    if (get && awareness) return awareness(get());
    return ::IsProcessDPIAware() ? 1 : 0;
}

}  // namespace

// Wine honours a program's manifest only with DpiScalingVer set; then it refuses the per-monitor v2
// name it knows and reads no further, so the program would start unaware.
TEST(DensityAwareness, AProcessStartedWithTheManifestHonouredComesUpAware) {
    if (!testing_support::inChild(kHonouredMark)) {
        const testing_support::DesktopSetting honoured(L"DpiScalingVer", 1);
        return testing_support::runCurrentTestInChild(kHonouredMark);
    }
    const int atStart = processAwareness();
    std::printf("awareness at start: %d\n", atStart);
    win32::ensurePixelDensityAwareness();
    // An aware process stays as it is; an unaware one becomes system-aware, by whichever call this
    // Windows has.
    EXPECT_EQ(processAwareness(), atStart != 0 ? atStart : 1);
}
