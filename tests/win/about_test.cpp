// The About dialog and its link labels under Wine: the rule, repeated openings, hover.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "about/about.h"
#include "about/myurllbl.h"
#include "app/mag.h"
#include "app_support.h"
#include "forms/application.h"
#include "win32/gdiplus.h"
#include "win32/handles.h"
#include "win32/seams.h"
#include "win_support.h"

using ocellus::TAboutForm;
using ocellus::TURLLabel;
using testing_support::later;
using testing_support::pump;
using testing_support::pumpUntil;
using testing_support::StepsCleanup;
using testing_support::windowText;

namespace {

constexpr COLORREF kLinkBlue = 12482872;

void postKey(HWND to, WPARAM key) { ::PostMessageW(to, WM_KEYDOWN, key, 1); }

// ----- reading controls back -----

LOGFONTW fontOf(HWND h) {
    LOGFONTW lf{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(h, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf;
}

// The text colour the parent hands the static control for painting.
COLORREF paintedTextColor(HWND child) {
    win32::MemoryDc dc(::CreateCompatibleDC(nullptr));
    ::SendMessageW(::GetParent(child), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                   reinterpret_cast<LPARAM>(child));
    return ::GetTextColor(dc.get());
}

bool underlined(HWND h) { return fontOf(h).lfUnderline != 0; }

// A plain window holding link labels placed by the test.
constexpr forms::FormDef kHostDef{L"TLinkHost", L"LinkHost", L"Links", 320, 120, {L"Tahoma", -13, 0, win32::clWindowText}};

class LinkHost : public forms::Form {
public:
    LinkHost() : forms::Form(nullptr) { create(kHostDef); }
    TURLLabel& link(std::wstring_view name, std::wstring_view caption) {
        const forms::ControlRow row{.name = name,
                                    .make = forms::kind<TURLLabel>,
                                    .bounds = {10, 10 + 24 * static_cast<int>(children().size()), 200, 17},
                                    .caption = caption,
                                    .autoSize = false};
        build(std::span(&row, 1));
        return *find<TURLLabel>(name);
    }
};

}  // namespace

// ----- the About dialog -----

TEST(AboutLayout, BevelDrawsALoweredRuleAlongItsTopEdge) {
    TAboutForm f(nullptr);
    f.show();
    // Down from the top edge: the shadow line, the lit line, then the face.
    const std::array<COLORREF, 3> rule{::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT),
                                       ::GetSysColor(COLOR_BTNFACE)};
    std::array<COLORREF, 3> seen{};
    pumpUntil([&] {
        const win32::WindowDc dc(f.Bevel1->handle(), ::GetDC(f.Bevel1->handle()));
        seen = {::GetPixel(dc.get(), 100, 0), ::GetPixel(dc.get(), 100, 1), ::GetPixel(dc.get(), 100, 8)};
        return seen == rule;
    });
    EXPECT_EQ(seen, rule);
}

// The main window opens the dialog, from no stored settings, with any error box collected.
class AboutOpening : public testing_support::ProgramWindowTest {};

TEST_F(AboutOpening, EveryOpeningIsANewDialogAndTwentyLeaveNoObjects) {
    StepsCleanup cleanup;
    win32::gdiplus::Session gdiplus;
    forms::application().title = L"Ocellus";
    ocellus::TForm1& main = create();
    pump(50);
    std::vector<HWND> dialogs;
    int activated = 0;
    // Presses Escape in each dialog once it is active; gives up on a dialog after five seconds.
    std::function<void(int)> watch = [&](int left) {
        TAboutForm* f = ocellus::AboutForm;
        if (f && windowText(f->versionlabel->handle()) == L"v1.6" && ::GetActiveWindow() == f->handle()) {
            dialogs.push_back(f->handle());
            ++activated;
            postKey(::GetFocus() ? ::GetFocus() : f->OKButton->handle(), VK_ESCAPE);
        } else if (left == 0) {
            if (f) f->modalResult = -1;
        } else {
            later(10, [&watch, left] { watch(left - 1); });
        }
    };
    auto open = [&] {
        later(10, [&watch] { watch(500); });
        main.Button1Click(&main);
        EXPECT_EQ(ocellus::AboutForm, nullptr);
        EXPECT_TRUE(::IsWindowEnabled(main.handle()));
    };
    open();  // the first opening fills the shared brush cache
    pump(20);
    const int before = testing_support::gdiObjectCount(), userBefore = testing_support::userObjectCount();
    for (int i = 0; i < 20; ++i) open();
    pump(50);
    const int after = testing_support::gdiObjectCount(), userAfter = testing_support::userObjectCount();
    std::printf("GDI objects: %d before 20 openings, %d after; user objects %d, %d\n", before, after, userBefore,
                userAfter);
    EXPECT_EQ(userAfter, userBefore);
    EXPECT_EQ(activated, 21);
    ASSERT_EQ(dialogs.size(), 21u);
    for (HWND h : dialogs) EXPECT_FALSE(::IsWindow(h));
    EXPECT_LE(after, before);
    EXPECT_TRUE(boxes.empty());
}

TEST(AboutHelp, ThePlainBoxInPlaceOfARefusedTaskDialogSaysTheSameAndIsOwnedByTheDialog) {
    const testing_support::DefaultSeamsAtEnd seamsBack;
    StepsCleanup cleanup;
    struct Message {
        HWND owner;
        std::wstring caption, text;
    };
    std::vector<Message> tried, shown;
    win32::seams().taskDialog = [&](HWND owner, const wchar_t* title, const wchar_t* instruction) {
        tried.push_back({owner, title, instruction});
        return false;
    };
    win32::seams().messageBox = [&](HWND owner, const wchar_t* text, const wchar_t* caption, UINT) {
        shown.push_back({owner, caption, text});
        return IDOK;
    };
    forms::application().title = L"Ocellus";
    LinkHost main;
    main.show();
    auto dialog = forms::makeForm<TAboutForm>(&main);
    later(20, [&] {
        dialog->Button1Click(dialog->Button1);
        dialog->modalResult = 1;
    });
    dialog->showModal();
    ASSERT_EQ(tried.size(), 1u) << "no task dialog was tried";
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].owner, dialog->handle());
    EXPECT_EQ(shown[0].caption, tried[0].caption);
    EXPECT_EQ(shown[0].text, tried[0].text);
    EXPECT_EQ(shown[0].caption, L"Ocellus");
    EXPECT_NE(shown[0].text.find(L"Ctrl-C to copy the magnified image"), std::wstring::npos) << "not the help";
}

// ----- the link label -----

TEST(UrlLabel, HoverUnderlinesAndHighlightsThenRestores) {
    LinkHost host;
    TURLLabel& l = host.link(L"Link", L"https://a.example.org/");
    auto enter = [&] { ::SendMessageW(l.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3)); };
    auto leave = [&] { ::SendMessageW(l.handle(), WM_MOUSELEAVE, 0, 0); };

    leave();  // a leave without an enter keeps the link colour
    EXPECT_EQ(paintedTextColor(l.handle()), kLinkBlue);
    enter();
    EXPECT_TRUE(underlined(l.handle()));
    EXPECT_EQ(paintedTextColor(l.handle()), 255u);
    EXPECT_EQ(l.OrigFontColor(), kLinkBlue);
    leave();
    EXPECT_FALSE(underlined(l.handle()));
    EXPECT_EQ(paintedTextColor(l.handle()), kLinkBlue);

    l.setColorChange(false);
    l.font().color = 0x123456;
    l.fontChanged();
    enter();
    EXPECT_TRUE(underlined(l.handle()));
    EXPECT_EQ(paintedTextColor(l.handle()), 0x123456u);
    leave();
    EXPECT_FALSE(underlined(l.handle()));
    EXPECT_EQ(paintedTextColor(l.handle()), 0x123456u);

    l.font().style = win32::fsUnderline | win32::fsBold;  // laid out underlined: loses it after a hover
    l.fontChanged();
    enter();
    leave();
    EXPECT_FALSE(underlined(l.handle()));
    EXPECT_EQ(fontOf(l.handle()).lfWeight, FW_BOLD);
}

TEST(UrlLabel, ADoubleClickOpensTheLinkOnceAndRaisesOneDoubleClick) {
    const testing_support::DefaultSeamsAtEnd seamsBack;
    std::vector<std::wstring> opened;
    win32::seams().shellExecute = [&](HWND, const wchar_t*, const wchar_t* file, const wchar_t*, const wchar_t*, int) {
        opened.emplace_back(file);
        return reinterpret_cast<HINSTANCE>(33);
    };
    LinkHost host;
    TURLLabel& l = host.link(L"Link", L"Home page");
    l.setURL(L"https://a.example.org/");
    int doubleClicks = 0;
    l.onDblClick = [&](forms::Component*) { ++doubleClicks; };

    // What the system sends a window of a double-click class for a double-click.
    for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        ::SendMessageW(l.handle(), msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(3, 3));
    EXPECT_EQ(opened, std::vector<std::wstring>{L"https://a.example.org/"});
    EXPECT_EQ(doubleClicks, 1);
}
