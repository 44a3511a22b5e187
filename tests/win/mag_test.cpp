// The main window under Wine: the refresh cycle's busy flag and pointer reads, and the option boxes'
// mnemonics.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/mag.h"
#include "forms/application.h"
#include "app_support.h"
#include "win_support.h"

using ocellus::TForm1;
using testing_support::movePointer;
using testing_support::pumpUntil;
using testing_support::windowText;

namespace {

class MagWindow : public testing_support::ProgramWindowTest {
protected:
    void TearDown() override {
        ProgramWindowTest::TearDown();
        EXPECT_TRUE(boxes.empty()) << "unexpected error box";
    }
};

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

// As while another desktop has the input: a locked screen, an elevation prompt.
BOOL WINAPI noPointer(POINT*) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

}  // namespace

TEST_F(MagWindow, BusyFlagDropsTicksUntilTimer1ReleasesIt) {
    create();
    form->Timer1->setEnabled(false);
    form->Timer2->setEnabled(false);
    ocellus::GrabBusy = false;
    movePointer({100, 100});
    form->Timer2Timer(form.get());
    EXPECT_EQ(windowText(form->xyLabel->handle()), L"100, 100");
    EXPECT_TRUE(ocellus::GrabBusy);
    movePointer({200, 200});
    form->Timer2Timer(form.get());  // dropped, not queued
    EXPECT_EQ(windowText(form->xyLabel->handle()), L"100, 100");
    form->Timer1Timer(form.get());
    EXPECT_FALSE(ocellus::GrabBusy);
    form->Timer2Timer(form.get());
    EXPECT_EQ(windowText(form->xyLabel->handle()), L"200, 200");
}

TEST_F(MagWindow, AltMnemonicsToggleStayOnTopAndInterpolate) {
    create();
    ASSERT_TRUE(pumpUntil([&] {
        const HWND focus = ::GetFocus();
        return focus == form->handle() || ::IsChild(form->handle(), focus);
    })) << "the window never took the keyboard focus";
    altKey(::GetFocus(), L's');
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

TEST_F(MagWindow, FailedPointerReadKeepsWhatIsShownCopiesNothingAndCapturesResume) {
    createAtTopLeft({1100, 700});
    form->Timer1->setEnabled(false);
    form->Timer2->setEnabled(false);
    const testing_support::ScreenPattern green({1000, 600, 1200, 800},
                                               testing_support::ScreenPattern::solid(RGB(10, 200, 30)));
    auto tick = [&] {
        form->Timer1Timer(form.get());
        form->Timer2Timer(form.get());
    };
    tick();
    ASSERT_EQ(windowText(form->rgblabel->handle()), L"RGB: 10,200,30");
    ASSERT_EQ(windowText(form->xyLabel->handle()), L"1100, 700");
    movePointer({1101, 701});
    {
        const testing_support::ImportPatch patch(L"user32.dll", "GetCursorPos",
                                                 reinterpret_cast<std::uintptr_t>(&noPointer));
        ASSERT_TRUE(patch.active());
        const DWORD clipboard = ::GetClipboardSequenceNumber();
        tick();
        EXPECT_EQ(windowText(form->xyLabel->handle()), L"1100, 700");
        EXPECT_EQ(windowText(form->rgblabel->handle()), L"RGB: 10,200,30");
        EXPECT_EQ(form->colpanel->color, static_cast<win32::Color>(RGB(10, 200, 30)));
        form->copyunmagimagetoclipboard();
        EXPECT_EQ(::GetClipboardSequenceNumber(), clipboard);
    }
    tick();
    EXPECT_EQ(windowText(form->xyLabel->handle()), L"1101, 701");
}
