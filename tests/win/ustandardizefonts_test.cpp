// Form font standardisation under Wine: diagnostics, scaling to the pixel density, anchors, placement.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/mag.h"
#include "forms/application.h"
#include "forms/form.h"
#include "base/exception.h"
#include "win32/errortext.h"
#include "win32/seams.h"
#include "mylib/ustandardizefonts.h"
#include "app_support.h"
#include "win_support.h"

using forms::akBottom;
using forms::akLeft;
using forms::akRight;
using forms::akTop;
using ocellus::StandardizeFormFont;

namespace {

// Debug output and debugger presence, observed instead of reaching the system.
struct DebugSeams {
    std::vector<std::wstring> lines;
    int breaks = 0;
    bool debugger = false;
    DebugSeams() {
        win32::seams().outputDebugString = [this](const wchar_t* text) { lines.emplace_back(text); };
        win32::seams().isDebuggerPresent = [this] { return debugger; };
        win32::seams().debugBreak = [this] { ++breaks; };
    }
};

void setPixelsPerInch(int dpi) {
    win32::seams().pixelsPerInch = [dpi](HWND) { return dpi; };
}

constexpr forms::FormDef kPlainDef{L"TFontForm", L"FontForm", L"Fonts", 300, 200, {L"Tahoma", -10, 0, win32::clWindowText},
                                   forms::BorderStyle::Sizeable, true, true, forms::Position::Designed};

class FontForm : public forms::Form {
public:
    explicit FontForm(std::span<const forms::ControlRow> rows = {}) : forms::Form(nullptr) { create(kPlainDef, rows); }
    forms::Control& operator[](std::wstring_view n) { return *find<forms::Control>(n); }
};

constexpr forms::ControlRow kAnchorLayout[] = {
    {.name = L"Corner", .make = forms::kind<forms::Label>, .bounds = {220, 170, 60, 13}, .caption = L"x",
     .anchors = akRight | akBottom, .autoSize = false},
    {.name = L"Box", .make = forms::kind<forms::Panel>, .bounds = {10, 10, 200, 100},
     .anchors = akLeft | akTop | akRight},
    {.name = L"Inner", .make = forms::kind<forms::Panel>, .parent = L"Box", .bounds = {150, 60, 40, 30},
     .anchors = akRight | akBottom},
};

// A form that sets none of the three diagnosed properties.
std::unique_ptr<FontForm> quietForm(std::span<const forms::ControlRow> rows = {}) {
    auto form = std::make_unique<FontForm>(rows);
    form->scaled = false;
    form->autoScroll = false;
    form->showHint = true;
    return form;
}

RECT workAreaOf(const forms::Form& form) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ::GetMonitorInfoW(form.monitor(), &info);
    return info.rcWork;
}

RECT rectInParent(HWND h) {
    RECT r{};
    ::GetWindowRect(h, &r);
    ::MapWindowPoints(nullptr, ::GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
}


// Redirects this program's calls of one imported function, to provoke failures the system does
// not produce on demand. The program's code reaches system functions through the import table.
using testing_support::ImportPatch;

BOOL WINAPI failingMonitorInfo(HMONITOR, LPMONITORINFO) {
    ::SetLastError(ERROR_INVALID_MONITOR_HANDLE);
    return FALSE;
}

// One display of 1000 x 800 at (200, 100), standing for a monitor that is not the primary one.
HMONITOR onlyMonitor = nullptr;
BOOL WINAPI oneSmallMonitor(HDC, LPCRECT, MONITORENUMPROC proc, LPARAM data) {
    RECT r{200, 100, 1200, 900};
    proc(onlyMonitor, nullptr, &r, data);
    return TRUE;
}

class FontsTest : public ::testing::Test {
protected:
    void SetUp() override {
        setPixelsPerInch(96);
    }
    void TearDown() override { win32::restoreDefaultSeams(); }
    DebugSeams debug;
};

const std::wstring kScaledWarning =
    L"WARNING: StandardizeFormFont: Form \"FontForm\" is set to Scaled. Proper form scaling requires VCL scaling to "
    L"be disabled, unless you implement scaling by overriding the protected ChangeScale() method of the form.";
const std::wstring kAutoScrollWarning =
    L"WARNING: StandardizeFormFont: Form \"FontForm\" is set to AutoScroll. Form designed size will be suseptable "
    L"to changes in Windows form caption height (e.g. 2000 vs XP).";
const std::wstring kHintNote =
    L"INFORMATION: StandardizeFormFont: Turning on form \"FontForm\" hints. (ShowHint := True)";

}  // namespace

// ----- diagnostics -----

TEST_F(FontsTest, AllThreeSettingsAreReportedInOrderAndTwoBreakIntoTheDebugger) {
    debug.debugger = true;
    setPixelsPerInch(120);
    auto form = std::make_unique<FontForm>();
    form->scaled = true;
    form->autoScroll = true;
    form->showHint = false;
    EXPECT_EQ(StandardizeFormFont(form.get(), false), 1.25);
    EXPECT_EQ(debug.lines, (std::vector<std::wstring>{kScaledWarning, kAutoScrollWarning, kHintNote}));
    EXPECT_EQ(debug.breaks, 2);
    EXPECT_TRUE(form->showHint);
    EXPECT_TRUE(form->scaled);  // reported, not changed
    EXPECT_TRUE(form->autoScroll);
    EXPECT_EQ(form->clientWidth(), 375);  // and scaled all the same
}

// ----- anchors -----

TEST_F(FontsTest, FailedScalingPutsAnchorsBackAndDoesNotPlaceTheForm) {
    setPixelsPerInch(120);
    auto form = quietForm(kAnchorLayout);
    const RECT work = workAreaOf(*form);
    form->setBounds(work.right - 100, 100, form->width(), form->height());  // partly off the work area
    form->onResize = [](forms::Component*) { throw ocellus::Exception(L"resize failed"); };
    EXPECT_THROW(StandardizeFormFont(form.get(), false), ocellus::Exception);
    EXPECT_EQ((*form)[L"Corner"].anchors(), akRight | akBottom);
    EXPECT_EQ((*form)[L"Inner"].anchors(), akRight | akBottom);
    EXPECT_EQ(form->boundsRect().left, work.right - 100);  // not pulled back on screen
}

// ----- placement -----

TEST_F(FontsTest, UnreadableWorkAreaIsReportedAndTheMonitorsOwnRectangleStandsIn) {
    auto form = quietForm();
    onlyMonitor = form->monitor();
    const int w = form->width(), h = form->height();
    ImportPatch info(L"user32.dll", "GetMonitorInfoW", reinterpret_cast<std::uintptr_t>(&failingMonitorInfo));
    ASSERT_TRUE(info.active());
    {
        // Past the right edge of the form's own monitor: moved back onto it, not onto the primary display.
        ImportPatch monitors(L"user32.dll", "EnumDisplayMonitors", reinterpret_cast<std::uintptr_t>(&oneSmallMonitor));
        form->setBounds(1100, 50, w, h);
        StandardizeFormFont(form.get(), false);
        EXPECT_EQ(form->boundsRect().left, 1200 - w);
        EXPECT_EQ(form->boundsRect().top, 100);
        EXPECT_EQ(form->width(), w);
    }
    ASSERT_EQ(debug.lines.size(), 1u);
    EXPECT_EQ(debug.lines[0], win32::systemErrorText(ERROR_INVALID_MONITOR_HANDLE));

    // The real enumeration finds the form's monitor, here the primary display.
    form->setBounds(::GetSystemMetrics(SM_CXSCREEN) - 50, 100, w, h);
    StandardizeFormFont(form.get(), false);
    EXPECT_EQ(form->boundsRect().right, ::GetSystemMetrics(SM_CXSCREEN));
}

// ----- the main window at four pixel densities -----

class FontsMainWindow : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        testing_support::resetProgramState([](const wchar_t*) {});
        setPixelsPerInch(GetParam());  // before the window exists: it is scaled while being created
    }
    void TearDown() override {
        form.reset();
        testing_support::restoreProgramState();
    }
    DebugSeams debug;
    forms::FormPtr<ocellus::TForm1> form;
};

TEST_P(FontsMainWindow, WholeWindowIsScaledButTheResizeOffsetsAndMinimumAreNot) {
    const int percent = GetParam() <= 110 ? 100 : GetParam() <= 134 ? 125 : GetParam() <= 170 ? 150 : 200;
    auto k = [percent](int design) { return ::MulDiv(design, percent, 100); };
    form = forms::makeForm<ocellus::TForm1>(nullptr);
    form->Timer1->setEnabled(false);
    form->Timer2->setEnabled(false);
    form->show();
    testing_support::pump(50);
    ocellus::TForm1& f = *form;

    const int cw = k(600), ch = k(430);
    EXPECT_EQ(f.clientWidth(), cw);
    EXPECT_EQ(f.clientHeight(), ch);
    std::printf("%d dpi: client %d x %d\n", GetParam(), f.clientWidth(), f.clientHeight());

    struct Expect {
        forms::Control* c;
        int left, top, width, height;
    };
    const int p2top = ch - k(49);
    const int p1w = cw - 13, p1h = p2top - k(7) - 4;
    const int b1left = p1w - 7;
    const Expect expected[] = {
        {f.Panel2, 0, p2top, cw, k(49)},
        {f.Panel1, k(6), k(7), p1w, p1h},
        {f.Image1, k(6), k(7), p1w - 15, p1h - 14},
        {f.Button1, b1left, k(33), k(14), k(17)},
        {f.xyLabel, b1left - (k(65) + 10), k(34), k(65), k(13)},
        {f.cbinterpolate, k(11), k(17), k(68), k(14)},
        {f.rbx15, k(384), k(15), k(38), k(14)},
        {f.invertcb, k(236), k(34), k(70), k(15)},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(std::string(e.c->name.begin(), e.c->name.end()));
        EXPECT_EQ(e.c->left(), e.left);
        EXPECT_EQ(e.c->top(), e.top);
        EXPECT_EQ(e.c->width(), e.width);
        EXPECT_EQ(e.c->height(), e.height);
        const RECT r = rectInParent(e.c->handle());
        EXPECT_EQ(r.left, e.left);
        EXPECT_EQ(r.top, e.top);
        EXPECT_EQ(r.right - r.left, e.width);
    }
    EXPECT_EQ(f.Image1->picture().width(), p1w - 15);
    EXPECT_EQ(f.Image1->picture().height(), p1h - 14);

    EXPECT_EQ(f.font().height, k(-10));
    EXPECT_EQ(f.cbinterpolate->font().height, k(-10));
    EXPECT_EQ(f.Button1->font().height, k(-10));
    EXPECT_EQ(f.Button1->font().face, L"MS Sans Serif");
    EXPECT_EQ(f.font().face, L"Tahoma");

    EXPECT_EQ(f.xyLabel->anchors(), akRight | akBottom);
    EXPECT_TRUE(debug.lines.empty());

    const RECT work = workAreaOf(f);
    const RECT b = f.boundsRect();
    EXPECT_GE(b.left, work.left);
    EXPECT_GE(b.top, work.top);
    EXPECT_LE(b.right, work.right);
    EXPECT_LE(b.bottom, work.bottom);

    // After the scaling, resizing uses the fixed offsets 13, 4, 15, 14, 7 and 10.
    f.setClientSize(1000, 700);
    EXPECT_EQ(f.Panel1->width(), 987);
    EXPECT_EQ(f.Panel1->height(), 700 - k(49) - k(7) - 4);
    EXPECT_EQ(f.Image1->width(), 972);
    EXPECT_EQ(f.Image1->height(), f.Panel1->height() - 14);
    EXPECT_EQ(f.Button1->left(), 980);
    EXPECT_EQ(f.xyLabel->left(), 980 - (k(65) + 10));

    // The minimum window size is a fixed 150 x 150.
    MINMAXINFO info{};
    ::SendMessageW(f.handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 150);
    EXPECT_EQ(info.ptMinTrackSize.y, 150);
    ::SetWindowPos(f.handle(), nullptr, 0, 0, 60, 40, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(f.width(), 150);
    EXPECT_EQ(f.height(), 150);
}

INSTANTIATE_TEST_SUITE_P(Dpi, FontsMainWindow, ::testing::Values(96, 120, 144, 192));
