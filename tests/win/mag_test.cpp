// The main window under Wine: layout, resizing, the refresh cycle, zoom stepping and the option boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/mag.h"
#include "app/mag_rules.h"
#include "forms/application.h"
#include "forms/seams.h"
#include "app_support.h"
#include "win_support.h"

using ocellus::TForm1;
using testing_support::pump;
using testing_support::windowText;

namespace {

class MagWindow : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::resetProgramState([this](const wchar_t* text) { boxes.emplace_back(text); });
    }
    void TearDown() override {
        form.reset();
        testing_support::restoreProgramState();
        EXPECT_TRUE(boxes.empty()) << "unexpected error box: " << (boxes.empty() ? "" : "see texts");
    }
    TForm1& create(bool show = true) {
        form = std::make_unique<TForm1>(nullptr);
        if (show) form->show();
        return *form;
    }
    forms::RadioButton* zoomButton(std::wstring_view name) {
        return dynamic_cast<forms::RadioButton*>(form->findControl(name));
    }
    std::wstring checkedZoomButton() {
        std::wstring names;
        for (const auto& step : ocellus::kZoomSteps)
            if (zoomButton(step.button)->checked()) names += std::wstring(step.button) + L" ";
        return names;
    }

    std::unique_ptr<TForm1> form;
    std::vector<std::wstring> boxes;
};

RECT rectInParent(HWND h) {
    RECT r{};
    ::GetWindowRect(h, &r);
    ::MapWindowPoints(nullptr, ::GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string narrow(std::wstring_view w) { return std::string(w.begin(), w.end()); }

}  // namespace

// ----- layout -----

TEST(MagLayoutTable, NamesAreUniqueParentsComeFirstAndZoomButtonsMatchTheZoomTable) {
    std::set<std::wstring_view> seen;
    int radios = 0;
    for (const auto& d : ocellus::form1Layout()) {
        SCOPED_TRACE(narrow(d.name));
        EXPECT_TRUE(seen.insert(d.name).second) << "duplicate name";
        if (!d.parent.empty()) {
            EXPECT_TRUE(seen.count(d.parent)) << "parent defined later";
        }
        if (d.kind != forms::Kind::RadioButton) continue;
        ++radios;
        const ocellus::ZoomStep* step = ocellus::zoomStepForTag(d.tag);
        ASSERT_NE(step, nullptr);
        EXPECT_EQ(step->button, d.name);
        EXPECT_EQ(step->caption, d.caption);
        EXPECT_EQ(d.parent, L"Panel2");
        EXPECT_EQ(d.top, 15);
        EXPECT_EQ(d.height, 14);
        EXPECT_EQ(d.tabOrder, d.tag + 2);  // x1 has tab order 3, x15 has 11
        EXPECT_NE(d.onClick, nullptr);
    }
    EXPECT_EQ(radios, 9);
    for (std::size_t i = 0; i < ocellus::kZoomSteps.size(); ++i) {
        EXPECT_EQ(ocellus::kZoomSteps[i].tag, static_cast<int>(i) + 1);
        EXPECT_EQ(ocellus::zoomStepForCode(ocellus::kZoomSteps[i].zoomCode), &ocellus::kZoomSteps[i]);
    }
    const int codes[] = {2, 3, 4, 6, 8, 12, 18, 24, 30};
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(ocellus::kZoomSteps[i].zoomCode, codes[i]);
}

TEST_F(MagWindow, ControlsSitAtTheirDesignRectanglesIn600By430Client) {
    create(false);
    EXPECT_EQ(form->clientWidth(), 600);
    EXPECT_EQ(form->clientHeight(), 430);
    struct Expected {
        const wchar_t* name;
        int left, top, width, height;  // width/height -1: not checked (auto-sized label)
    };
    const Expected expected[] = {
        {L"Panel1", 6, 7, 587, 370},        {L"Image1", 6, 7, 572, 356},
        {L"Panel2", 0, 381, 600, 49},       {L"rgblabel", 91, 34, -1, -1},
        {L"xyLabel", 505, 34, 65, 13},      {L"cbinterpolate", 11, 17, 68, 14},
        {L"RadioGroup1", 91, 2, 344, 33},   {L"rbx1", 98, 15, 33, 14},
        {L"rbx1_5", 132, 15, 39, 14},       {L"rbx2", 176, 15, 39, 14},
        {L"rbx3", 210, 15, 38, 14},         {L"rbx4", 243, 15, 33, 14},
        {L"rbx6", 277, 15, 33, 14},         {L"rbx9", 311, 15, 34, 14},
        {L"rbx12", 345, 15, 40, 14},        {L"rbx15", 384, 15, 38, 14},
        {L"cbontop", 11, 3, 78, 14},        {L"Button1", 580, 33, 14, 17},
        {L"cursorcheckbox", 11, 31, 78, 13}, {L"colpanel", 189, 35, 26, 13},
        {L"invertcb", 236, 34, 70, 15},     {L"enhancerb", 309, 34, 65, 15},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(narrow(e.name));
        forms::Control* c = form->findControl(e.name);
        ASSERT_NE(c, nullptr);
        const RECT r = rectInParent(c->handle());
        EXPECT_EQ(r.left, e.left);
        EXPECT_EQ(r.top, e.top);
        if (e.width >= 0) {
            EXPECT_EQ(r.right - r.left, e.width);
        }
        if (e.height >= 0) {
            EXPECT_EQ(r.bottom - r.top, e.height);
        }
        const std::wstring parent = (e.name == std::wstring(L"Panel1") || e.name == std::wstring(L"Panel2"))
                                        ? L"" : (e.name == std::wstring(L"Image1") ? L"Panel1" : L"Panel2");
        HWND expectedParent = parent.empty() ? form->handle() : form->findControl(parent)->handle();
        EXPECT_EQ(::GetParent(c->handle()), expectedParent);
    }
    EXPECT_EQ(form->Image1->picture().width(), 572);
    EXPECT_EQ(form->Image1->picture().height(), 356);
}

TEST_F(MagWindow, CaptionsStylesFontsAndTabOrder) {
    create(false);
    EXPECT_EQ(windowText(form->handle()), L"Ocellus");
    const std::pair<const wchar_t*, const wchar_t*> captions[] = {
        {L"cbinterpolate", L"&Interpolate"}, {L"RadioGroup1", L"Zoom "},  {L"rbx1", L"x1"},
        {L"rbx1_5", L"x1.5"},                {L"rbx2", L"x2"},            {L"rbx3", L"x3"},
        {L"rbx4", L"x4"},                    {L"rbx6", L"x6"},            {L"rbx9", L"x9"},
        {L"rbx12", L"x12"},                  {L"rbx15", L"x15"},          {L"cbontop", L"&Stay on top"},
        {L"Button1", L"?"},                  {L"cursorcheckbox", L"Show cursor"},
        {L"invertcb", L"Invert cols"},       {L"enhancerb", L"Enhance"},
        // cleared by the start-up, before any capture
        {L"rgblabel", L""},                  {L"xyLabel", L""},           {L"colpanel", L""},
    };
    for (const auto& [name, text] : captions)
        EXPECT_EQ(windowText(form->findControl(name)->handle()), text) << narrow(name);

    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(form->handle(), GWL_STYLE));
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(form->keyPreview);
    EXPECT_EQ(form->font().face, L"Tahoma");
    EXPECT_EQ(form->font().height, -10);

    for (const auto& c : form->components()) {
        auto* ctl = dynamic_cast<forms::Control*>(c.get());
        if (!ctl || ctl->name == L"Image1") continue;
        SCOPED_TRACE(narrow(ctl->name));
        auto font = reinterpret_cast<HFONT>(::SendMessageW(ctl->handle(), WM_GETFONT, 0, 0));
        if (!font) font = ctl->font().handle();  // own window classes do not answer WM_GETFONT
        LOGFONTW lf{};
        ASSERT_TRUE(::GetObjectW(font, sizeof lf, &lf));
        const bool own = ctl->name == L"Button1";
        EXPECT_EQ(std::wstring(lf.lfFaceName), own ? L"MS Sans Serif" : L"Tahoma");
        EXPECT_EQ(lf.lfHeight, -10);
        EXPECT_EQ(lf.lfWeight, own ? FW_BOLD : FW_NORMAL);
        EXPECT_FALSE(lf.lfItalic);
    }

    // Dialog navigation follows the stacking order of Panel2's focusable children; the zoom row is
    // one stop, its checked button.
    std::vector<std::wstring> order;
    for (HWND h = ::GetWindow(form->Panel2->handle(), GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
        if (::GetWindowLongPtrW(h, GWL_STYLE) & WS_TABSTOP) order.push_back(forms::Control::fromHandle(h)->name);
    const std::vector<std::wstring> expected = {L"cbontop",        L"cbinterpolate", L"rbx3",  L"cursorcheckbox",
                                                L"invertcb",       L"enhancerb",     L"Button1"};
    EXPECT_EQ(order, expected);
    form->rbx9->setChecked(true);
    EXPECT_FALSE(::GetWindowLongPtrW(form->rbx3->handle(), GWL_STYLE) & WS_TABSTOP);
    EXPECT_TRUE(::GetWindowLongPtrW(form->rbx9->handle(), GWL_STYLE) & WS_TABSTOP);
}

TEST_F(MagWindow, FirstStartWithNothingStored) {
    create(false);
    EXPECT_EQ(ocellus::ReadoutFormat, 1);
    EXPECT_EQ(ocellus::ZoomCode, 6);
    EXPECT_EQ(checkedZoomButton(), L"rbx3 ");
    for (auto* box : {form->cbontop, form->cbinterpolate, form->cursorcheckbox, form->invertcb, form->enhancerb})
        EXPECT_FALSE(box->checked()) << narrow(box->name);
    EXPECT_NE(ocellus::ScreenCanvas, nullptr);
    EXPECT_EQ(form->Timer2->interval(), 2u);
    EXPECT_EQ(form->Timer1->interval(), 1000u);  // until the first capture
    EXPECT_EQ(form->colpanel->color, forms::clBackground);
    EXPECT_FALSE(::GetWindowLongPtrW(form->handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

// ----- resizing -----

TEST_F(MagWindow, ResizeFormulasFollowTheClientSizeAndThePictureFollowsImage1) {
    create();
    struct Case { int cw, ch; };
    for (const Case c : {Case{800, 430}, Case{600, 430}, Case{700, 520}}) {
        SCOPED_TRACE(testing::Message() << c.cw << "x" << c.ch);
        form->setClientSize(c.cw, c.ch);
        ASSERT_EQ(form->clientWidth(), c.cw);
        ASSERT_EQ(form->clientHeight(), c.ch);
        EXPECT_EQ(rectInParent(form->Panel2->handle()).top, c.ch - 49);
        EXPECT_EQ(form->Panel2->width(), c.cw);
        EXPECT_EQ(form->Panel1->width(), c.cw - 13);
        EXPECT_EQ(form->Panel1->height(), c.ch - 60);
        EXPECT_EQ(form->Image1->width(), c.cw - 28);
        EXPECT_EQ(form->Image1->height(), c.ch - 74);
        EXPECT_EQ(form->Button1->left(), c.cw - 20);
        EXPECT_EQ(form->xyLabel->left(), c.cw - 95);
        EXPECT_EQ(rectInParent(form->xyLabel->handle()).left, c.cw - 95);
        EXPECT_EQ(rectInParent(form->Button1->handle()).left, c.cw - 20);
        EXPECT_EQ(form->Image1->picture().width(), form->Image1->width());
        EXPECT_EQ(form->Image1->picture().height(), form->Image1->height());
        // Everything else in the bottom strip stays put.
        EXPECT_EQ(rectInParent(form->rbx15->handle()).left, 384);
        EXPECT_EQ(rectInParent(form->enhancerb->handle()).left, 309);
    }
    form->setClientSize(800, 430);
    EXPECT_EQ(form->Panel1->width(), 787);
    EXPECT_EQ(form->Image1->width(), 772);
    EXPECT_EQ(form->Button1->left(), 780);
    EXPECT_EQ(form->xyLabel->left(), 705);
}

TEST_F(MagWindow, ResizeOffsetsAreNotScaledWithThePixelDensity) {
    forms::seams().screenPixelsPerInch = [] { return 120; };
    create();
    const int cw = form->clientWidth();
    EXPECT_EQ(cw, 750);
    EXPECT_EQ(form->Panel1->width(), cw - 13);
    EXPECT_EQ(form->Image1->width(), cw - 28);
    EXPECT_EQ(form->Image1->height(), form->Panel1->height() - 14);
    EXPECT_EQ(form->Button1->left(), cw - 20);
    EXPECT_EQ(form->xyLabel->left(), form->Button1->left() - form->xyLabel->width() - 10);
    EXPECT_EQ(form->Image1->picture().width(), form->Image1->width());
}

TEST_F(MagWindow, WindowCannotBeMadeSmallerThan150By150) {
    create();
    MINMAXINFO info{};
    info.ptMinTrackSize = {1, 1};
    info.ptMaxTrackSize = {5000, 4000};
    ::SendMessageW(form->handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 150);
    EXPECT_EQ(info.ptMinTrackSize.y, 150);
    EXPECT_EQ(info.ptMaxTrackSize.x, 5000);  // left as proposed

    ::SetWindowPos(form->handle(), nullptr, 0, 0, 60, 40, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT r{};
    ::GetWindowRect(form->handle(), &r);
    EXPECT_EQ(r.right - r.left, 150);
    EXPECT_EQ(r.bottom - r.top, 150);
    EXPECT_EQ(form->width(), 150);
    // The picture is still many pixels in both directions, and a capture at this size works.
    EXPECT_GT(form->Image1->width(), 30);
    EXPECT_GT(form->Image1->height(), 30);
    EXPECT_EQ(form->Image1->picture().width(), form->Image1->width());
    ocellus::GrabBusy = false;
    form->GrabScreen(500, 500);
    EXPECT_EQ(windowText(form->xyLabel->handle()), L"500, 500");
}

// ----- refresh cycle -----

TEST_F(MagWindow, FirstCaptureHappensWhenTheWindowIsShown) {
    ::SetCursorPos(321, 234);
    create(false);
    EXPECT_EQ(windowText(form->xyLabel->handle()), L"");
    form->show();  // no message has been dispatched yet
    EXPECT_EQ(windowText(form->xyLabel->handle()), L"321, 234");
    EXPECT_EQ(windowText(form->rgblabel->handle()).rfind(L"RGB: ", 0), 0u);
    EXPECT_TRUE(ocellus::GrabBusy);
    EXPECT_EQ(form->Timer1->interval(), 2u);
}

TEST_F(MagWindow, TimersKeepCapturingAtThePointer) {
    create();
    ::SetCursorPos(400, 300);
    EXPECT_TRUE(testing_support::pumpUntil([&] { return windowText(form->xyLabel->handle()) == L"400, 300"; }));
    ::SetCursorPos(410, 320);  // the pointer moves; the next captures follow it
    EXPECT_TRUE(testing_support::pumpUntil([&] { return windowText(form->xyLabel->handle()) == L"410, 320"; }));
}

TEST_F(MagWindow, BusyFlagDropsTicksUntilTimer1ReleasesIt) {
    create();
    form->Timer1->setEnabled(false);
    form->Timer2->setEnabled(false);
    ocellus::GrabBusy = false;
    ::SetCursorPos(100, 100);
    form->Timer2Timer(form.get());
    EXPECT_EQ(windowText(form->xyLabel->handle()), L"100, 100");
    EXPECT_TRUE(ocellus::GrabBusy);
    ::SetCursorPos(200, 200);
    form->Timer2Timer(form.get());  // dropped, not queued
    EXPECT_EQ(windowText(form->xyLabel->handle()), L"100, 100");
    form->Timer1Timer(form.get());
    EXPECT_FALSE(ocellus::GrabBusy);
    form->Timer2Timer(form.get());
    EXPECT_EQ(windowText(form->xyLabel->handle()), L"200, 200");
}

TEST_F(MagWindow, NothingIsCapturedWhileMinimised) {
    create();
    ::SetCursorPos(150, 160);
    ASSERT_TRUE(testing_support::pumpUntil([&] { return windowText(form->xyLabel->handle()) == L"150, 160"; }));
    ::ShowWindow(form->handle(), SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(form->handle()));
    ::SetCursorPos(250, 260);
    const std::wstring readout = windowText(form->rgblabel->handle());
    ocellus::GrabBusy = false;
    form->Timer2Timer(form.get());
    EXPECT_FALSE(ocellus::GrabBusy);  // left alone by a skipped tick
    pump(200);                        // the timers keep ticking meanwhile
    EXPECT_EQ(windowText(form->xyLabel->handle()), L"150, 160");
    EXPECT_EQ(windowText(form->rgblabel->handle()), readout);

    ::ShowWindow(form->handle(), SW_RESTORE);
    EXPECT_TRUE(testing_support::pumpUntil([&] { return windowText(form->xyLabel->handle()) == L"250, 260"; }));
}

// ----- zoom -----

namespace {

void postWheel(HWND target, short delta, WORD keys = 0) {
    ::PostMessageW(target, WM_MOUSEWHEEL, MAKEWPARAM(keys, static_cast<WORD>(delta)), MAKELPARAM(300, 300));
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) forms::application().dispatch(msg);
}

}  // namespace

TEST_F(MagWindow, WheelNotchesStepTheZoomWhateverKeysAreHeld) {
    create();
    struct Step { short delta; WORD keys; const wchar_t* button; int code; };
    const Step steps[] = {
        {120, 0, L"rbx4", 8},          {-120, 0, L"rbx3", 6},          {-120, 0, L"rbx2", 4},
        {120, MK_CONTROL, L"rbx3", 6}, {120, MK_SHIFT, L"rbx4", 8},    {-120, MK_CONTROL, L"rbx3", 6},
        {60, 0, L"rbx3", 6},           {60, 0, L"rbx4", 8},  // half notches add up to one
        {240, 0, L"rbx9", 18},  // one message of two notches steps twice
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "delta " << s.delta << " keys " << s.keys);
        postWheel(form->handle(), s.delta, s.keys);
        EXPECT_EQ(checkedZoomButton(), std::wstring(s.button) + L" ");
        EXPECT_EQ(ocellus::ZoomCode, s.code);
    }
    // A notch arriving at a focused child reaches the window through its parents.
    postWheel(form->cbontop->handle(), 120);
    EXPECT_EQ(checkedZoomButton(), L"rbx12 ");
    EXPECT_EQ(ocellus::ZoomCode, 24);
}

TEST_F(MagWindow, WheelStopsAtBothEndsAndLeavesHandledFalse) {
    create();
    form->rbx15->setChecked(true);
    ASSERT_EQ(ocellus::ZoomCode, 30);
    bool handled = false;
    form->FormMouseWheelUp(form.get(), 0, POINT{}, handled);
    EXPECT_FALSE(handled);
    EXPECT_EQ(ocellus::ZoomCode, 30);
    postWheel(form->handle(), 120);
    EXPECT_EQ(checkedZoomButton(), L"rbx15 ");

    form->FormMouseWheelDown(form.get(), 0, POINT{}, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(ocellus::ZoomCode, 24);

    form->rbx1->setChecked(true);
    ASSERT_EQ(ocellus::ZoomCode, 2);
    handled = false;
    form->FormMouseWheelDown(form.get(), 0, POINT{}, handled);
    EXPECT_FALSE(handled);
    EXPECT_EQ(ocellus::ZoomCode, 2);
    postWheel(form->handle(), -120);
    EXPECT_EQ(checkedZoomButton(), L"rbx1 ");
    EXPECT_EQ(ocellus::ZoomCode, 2);
}

TEST_F(MagWindow, TagWalkFindsTheCheckedButtonAndChecksByTag) {
    create();
    form->rbx9->setChecked(true);
    form->findcheckedtag();
    EXPECT_EQ(ocellus::ZoomTag, 7);

    ocellus::ZoomTag = 2;
    form->checkradiobytag();
    EXPECT_EQ(checkedZoomButton(), L"rbx1_5 ");
    EXPECT_EQ(ocellus::ZoomCode, 3);

    // With nothing checked the tag keeps its value.
    ::SendMessageW(form->rbx1_5->handle(), BM_SETCHECK, BST_UNCHECKED, 0);
    ocellus::ZoomTag = 5;
    form->findcheckedtag();
    EXPECT_EQ(ocellus::ZoomTag, 5);
    // A tag no button has checks nothing.
    ocellus::ZoomTag = 10;
    form->checkradiobytag();
    EXPECT_EQ(checkedZoomButton(), L"");
    EXPECT_EQ(ocellus::ZoomCode, 3);
}

TEST_F(MagWindow, ClickingAZoomButtonSetsItsZoomCode) {
    create();
    for (const auto& step : ocellus::kZoomSteps) {
        SCOPED_TRACE(narrow(step.button));
        ::SendMessageW(zoomButton(step.button)->handle(), BM_CLICK, 0, 0);
        EXPECT_EQ(ocellus::ZoomCode, step.zoomCode);
        EXPECT_EQ(checkedZoomButton(), std::wstring(step.button) + L" ");
    }
    // Clicking the checked button again changes nothing.
    ocellus::ZoomCode = 30;
    ::SendMessageW(form->rbx15->handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(ocellus::ZoomCode, 30);
    EXPECT_TRUE(form->rbx15->checked());
}

// ----- option boxes -----

TEST_F(MagWindow, StayOnTopTogglesTheTopmostBandWithoutMovingTheWindow) {
    create();
    form->setBounds(120, 140, 640, 480);
    pump(50);
    const RECT before = form->boundsRect();
    auto topmost = [&] { return (::GetWindowLongPtrW(form->handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    ASSERT_FALSE(topmost());

    ::SendMessageW(form->cbontop->handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(form->cbontop->checked());
    EXPECT_TRUE(ocellus::OnTopFlag);
    EXPECT_TRUE(topmost());
    pump(50);
    RECT after = form->boundsRect();
    EXPECT_TRUE(::EqualRect(&before, &after));

    ::SendMessageW(form->cbontop->handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(ocellus::OnTopFlag);
    EXPECT_FALSE(topmost());
    pump(50);
    after = form->boundsRect();
    EXPECT_TRUE(::EqualRect(&before, &after));
}

TEST_F(MagWindow, InterpolateAndCursorBoxesSetTheirFlags) {
    create();
    ::SendMessageW(form->cbinterpolate->handle(), BM_CLICK, 0, 0);
    ::SendMessageW(form->cursorcheckbox->handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(ocellus::InterpolateFlag);
    EXPECT_TRUE(ocellus::CursorFlag);
    ::SendMessageW(form->cbinterpolate->handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(ocellus::InterpolateFlag);
    EXPECT_TRUE(ocellus::CursorFlag);
}

TEST_F(MagWindow, ClickingTheReadoutCyclesRgbHexTColor) {
    create();
    form->Timer1->setEnabled(false);
    form->Timer2->setEnabled(false);
    auto clickReadout = [&] {
        ::SendMessageW(form->rgblabel->handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        ::SendMessageW(form->rgblabel->handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    };
    const int expected[] = {2, 3, 1, 2};
    const wchar_t* hints[] = {L"Hexadecimal", L"TColor", L"RGB", L"Hexadecimal"};
    for (int i = 0; i < 4; ++i) {
        clickReadout();
        EXPECT_EQ(ocellus::ReadoutFormat, expected[i]);
        form->GrabScreen(50, 50);
        EXPECT_EQ(form->rgblabel->hint(), hints[i]);
    }
}

namespace {

// Alt+letter as the keyboard delivers it: a system key-down, then the character it translates to.
void altKey(HWND target, wchar_t letter) {
    const LPARAM lp = (1 << 29) | 1;
    MSG down{target, WM_SYSKEYDOWN, static_cast<WPARAM>(letter - L'a' + L'A'), lp, 0, {}};
    forms::application().dispatch(down);
    MSG msg;
    if (::PeekMessageW(&msg, nullptr, WM_SYSCHAR, WM_SYSCHAR, PM_REMOVE)) {
        forms::application().dispatch(msg);
    } else {
        MSG ch{target, WM_SYSCHAR, static_cast<WPARAM>(letter), lp, 0, {}};
        forms::application().dispatch(ch);
    }
}

}  // namespace

TEST_F(MagWindow, AltMnemonicsToggleStayOnTopAndInterpolate) {
    create();
    pump(50);
    HWND focus = ::GetFocus();
    HWND target = focus && ::IsChild(form->handle(), focus) ? focus : form->handle();
    altKey(target, L's');
    EXPECT_TRUE(form->cbontop->checked());
    EXPECT_TRUE(ocellus::OnTopFlag);
    EXPECT_TRUE(::GetWindowLongPtrW(form->handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    altKey(::GetFocus() ? ::GetFocus() : form->handle(), L'i');
    EXPECT_TRUE(form->cbinterpolate->checked());
    EXPECT_TRUE(ocellus::InterpolateFlag);
    altKey(::GetFocus() ? ::GetFocus() : form->handle(), L's');
    EXPECT_FALSE(form->cbontop->checked());
    EXPECT_FALSE(ocellus::OnTopFlag);
}
