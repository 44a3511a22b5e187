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

class MagWindow : public testing_support::ProgramWindowTest {
protected:
    void TearDown() override {
        ProgramWindowTest::TearDown();
        EXPECT_TRUE(boxes.empty()) << "unexpected error box";
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
};

RECT rectInParent(HWND h) {
    RECT r{};
    ::GetWindowRect(h, &r);
    ::MapWindowPoints(nullptr, ::GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

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

// ----- zoom -----

namespace {

}  // namespace

// ----- option boxes -----

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
