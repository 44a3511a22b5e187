// The About dialog and its link labels under Wine: layout, keys, help message, shell requests, hover.
#include <gtest/gtest.h>

#include <windows.h>

#include <uxtheme.h>

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "about/about.h"
#include "about/myurllbl.h"
#include "app/mag.h"
#include "forms/application.h"
#include "forms/gdiplus.h"
#include "forms/seams.h"
#include "mylib/ustandardizefonts.h"
#include "win_support.h"

using ocellus::TAboutForm;
using ocellus::TURLLabel;
using testing_support::pump;
using testing_support::pumpUntil;
using testing_support::windowText;

namespace {

constexpr COLORREF kLinkBlue = 12482872;

const std::wstring kHelp =
    L"Resize the window to the size you want. by dragging its corners or edges.\r\r"
    L"Use interpolation to create higher quality images.  The extra processing required will take time.\r\r"
    L"Ctrl-C to copy the magnified image to the clipboard, or Ctrl-U to copy the unmagnified image.\r\r"
    L"Ctrl-P to copy the pixel colour code (at the bottom) to the clipboard.\r\r"
    L"Click on the pixel colour number (at the bottom) to switch it between RGB, hexadecimal, and TColor formats.";

// ----- steps run from thread timers, i.e. inside whatever modal loop is running by then -----

std::map<UINT_PTR, std::function<void()>>& pendingSteps() {
    static std::map<UINT_PTR, std::function<void()>> steps;
    return steps;
}

void CALLBACK runStep(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    auto it = pendingSteps().find(id);
    if (it == pendingSteps().end()) return;
    auto step = std::move(it->second);
    pendingSteps().erase(it);
    step();
}

UINT_PTR later(unsigned ms, std::function<void()> step) {
    const UINT_PTR id = ::SetTimer(nullptr, 0, ms, runStep);
    pendingSteps()[id] = std::move(step);
    return id;
}

// Runs step once pred holds, polling every 10 ms; after about three seconds it runs anyway.
void when(std::function<bool()> pred, std::function<void()> step, int pollsLeft = 300) {
    if (pred() || pollsLeft == 0) {
        step();
        return;
    }
    later(10, [pred = std::move(pred), step = std::move(step), pollsLeft]() mutable {
        when(std::move(pred), std::move(step), pollsLeft - 1);
    });
}

void cancel(UINT_PTR id) {
    ::KillTimer(nullptr, id);
    pendingSteps().erase(id);
}

struct StepsCleanup {
    ~StepsCleanup() {
        for (auto& entry : pendingSteps()) ::KillTimer(nullptr, entry.first);
        pendingSteps().clear();
    }
};

// Shows the dialog modally; a dialog still open after five seconds ends with -1.
int showModalGuarded(TAboutForm& f) {
    const UINT_PTR guard = later(5000, [&f] { f.modalResult = -1; });
    const int result = f.showModal();
    cancel(guard);
    return result;
}

void postKey(HWND to, WPARAM key) { ::PostMessageW(to, WM_KEYDOWN, key, 1); }

// ----- outside-world captures -----

struct ShellCall {
    HWND owner;
    std::optional<std::wstring> verb;  // nullopt: a null verb
    std::wstring file;
    bool paramsNull, dirNull;
    int show;
};

struct ShellCapture {
    std::vector<ShellCall> calls;
    ShellCapture() {
        forms::seams().shellExecute = [this](HWND owner, const wchar_t* verb, const wchar_t* file,
                                             const wchar_t* params, const wchar_t* dir, int show) {
            calls.push_back({owner, verb ? std::optional<std::wstring>(verb) : std::nullopt, file, params == nullptr,
                             dir == nullptr, show});
            return reinterpret_cast<HINSTANCE>(42);
        };
    }
    ~ShellCapture() { forms::restoreDefaultSeams(); }
};

struct MessageCall {
    bool taskDialog;
    HWND owner;
    std::wstring title, text;
    UINT type;
};

struct MessageCapture {
    std::vector<MessageCall> calls;
    bool taskDialogWorks = true;
    std::function<void()> whileShown;
    MessageCapture() {
        forms::application().title = L"Ocellus";
        forms::seams().taskDialog = [this](HWND owner, const wchar_t* title, const wchar_t* instruction) {
            calls.push_back({true, owner, title, instruction, 0});
            if (taskDialogWorks && whileShown) whileShown();
            return taskDialogWorks;
        };
        forms::seams().messageBox = [this](HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
            calls.push_back({false, owner, caption, text, type});
            if (whileShown) whileShown();
            return IDOK;
        };
    }
    ~MessageCapture() { forms::restoreDefaultSeams(); }
};

// ----- reading controls back -----

RECT clientRect(HWND h) {
    RECT r{};
    ::GetWindowRect(h, &r);
    ::MapWindowPoints(nullptr, ::GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

LOGFONTW fontOf(HWND h) {
    LOGFONTW lf{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(h, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf;
}

// The text colour the parent hands the static control for painting.
COLORREF paintedTextColor(HWND child) {
    forms::MemoryDc dc(::CreateCompatibleDC(nullptr));
    ::SendMessageW(::GetParent(child), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                   reinterpret_cast<LPARAM>(child));
    return ::GetTextColor(dc.get());
}

bool underlined(HWND h) { return fontOf(h).lfUnderline != 0; }

// Moves the real pointer and pumps until pred holds; a fresh window's first X events can move it back.
bool movePointerUntil(int x, int y, const std::function<bool()>& pred) {
    return pumpUntil([&] {
        POINT p{};
        ::GetCursorPos(&p);
        if (p.x != x || p.y != y) ::SetCursorPos(x, y);
        return p.x == x && p.y == y && pred();
    });
}

HCURSOR handCursor() { return ::LoadCursorW(nullptr, IDC_HAND); }

void clickStatic(HWND h) {
    ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    ::SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

// A plain window holding link labels placed by the test.
constexpr forms::FormDef kHostDef{L"TLinkHost", L"LinkHost", L"Links", 320, 120, {L"Tahoma", -13, 0, forms::clWindowText}};

class LinkHost : public forms::Form {
public:
    LinkHost() : forms::Form(nullptr, kHostDef) {}
    ~LinkHost() override { destroyHandle(); }
    TURLLabel& link(std::wstring_view name, std::wstring_view caption) {
        auto& l = add<TURLLabel>(this);
        l.name.assign(name);
        l.setCaption(caption);
        l.setBounds(10, 10 + 24 * static_cast<int>(children().size() - 1), 200, 17);
        l.autoSize = false;
        l.createHandle();
        return l;
    }
};

}  // namespace

// ----- the About dialog -----

TEST(AboutLayout, ControlsStandWhereTheLayoutPutsThem) {
    TAboutForm f(nullptr);
    EXPECT_EQ(windowText(f.handle()), L"About this program");
    EXPECT_EQ(f.clientWidth(), 340);
    EXPECT_EQ(f.clientHeight(), 283);
    const LONG style = ::GetWindowLongW(f.handle(), GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_EQ(f.font().face, L"MS Sans Serif");
    EXPECT_EQ(f.font().height, -13);

    const COLORREF text = ::GetSysColor(COLOR_WINDOWTEXT), green = 0x008000, blue = 0xFF0000;
    struct Expected {
        forms::Control* control;
        int left, top, width, height;  // width -1: sized to its text
        const wchar_t* caption;
        const wchar_t* face;
        int fontHeight;
        bool bold, centred;
        COLORREF color;
    };
    const Expected expected[] = {
        {f.Label10, 117, 102, -1, -1, L"Software page:", L"MS Sans Serif", -15, true, false, green},
        {f.Label11, 148, 179, -1, -1, L"Email:", L"MS Sans Serif", -15, true, false, green},
        {f.Label5, 58, 10, -1, -1, L"- OCELLUS -", L"Arial", -23, false, false, blue},
        {f.Label6, 91, 52, -1, -1, L"Freeware by Tarnwick Software", L"Tahoma", -13, false, false, text},
        {f.Label7, 40, 67, 257, 16, L"\u00A9 2024\u20132026 Tarnwick Software", L"Tahoma", -13, false, true, text},
        {f.Label1, 109, 142, -1, -1, L"Philosophy page:", L"MS Sans Serif", -15, true, false, green},
        {f.versionlabel, 112, 36, 113, 16, L"v1.2", L"Tahoma", -13, false, true, text},
        {f.URLLabel1, 67, 118, 200, 17, L"https://ocellus.example.org/", L"Tahoma", -13, false, true, kLinkBlue},
        {f.URLLabel2, 67, 158, 200, 16, L"https://www.example.org/", L"Tahoma", -13, false, true, kLinkBlue},
        {f.URLLabel3, 67, 193, 200, 17, L"ocellus@example.org", L"Tahoma", -13, false, true, kLinkBlue},
        {f.OKButton, 205, 242, 92, 31, L"OK", L"Tahoma", -13, false, false, 0},
        {f.Button1, 48, 240, 92, 31, L"&Help", L"Tahoma", -13, false, false, 0},
    };
    for (const Expected& e : expected) {
        ASSERT_NE(e.control, nullptr);
        SCOPED_TRACE(testing::Message() << std::string(e.control->name.begin(), e.control->name.end()));
        HWND h = e.control->handle();
        const RECT r = clientRect(h);
        EXPECT_EQ(r.left, e.left);
        EXPECT_EQ(r.top, e.top);
        if (e.width >= 0) {
            EXPECT_EQ(r.right - r.left, e.width);
            EXPECT_EQ(r.bottom - r.top, e.height);
        } else {
            EXPECT_GT(r.right - r.left, 0);
            EXPECT_GT(r.bottom - r.top, 0);
        }
        EXPECT_EQ(windowText(h), e.caption);
        const LOGFONTW lf = fontOf(h);
        EXPECT_STREQ(lf.lfFaceName, e.face);
        EXPECT_EQ(lf.lfHeight, e.fontHeight);
        EXPECT_EQ(lf.lfWeight, e.bold ? FW_BOLD : FW_NORMAL);
        EXPECT_FALSE(lf.lfUnderline);
        if (auto* label = dynamic_cast<forms::Label*>(e.control)) {
            EXPECT_EQ(label->autoSize, e.width < 0);
            EXPECT_EQ((::GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) == SS_CENTER, e.centred);
            EXPECT_EQ(paintedTextColor(h), e.color);
        }
    }
    EXPECT_EQ(clientRect(f.Bevel1->handle()).left, -12);
    EXPECT_EQ(clientRect(f.Bevel1->handle()).top, 229);
    EXPECT_EQ(clientRect(f.Bevel1->handle()).right, 324);
    EXPECT_EQ(clientRect(f.Bevel1->handle()).bottom, 249);
}

TEST(AboutLayout, BevelDrawsALoweredRuleAlongItsTopEdge) {
    TAboutForm f(nullptr);
    f.show();
    pump(100);
    HDC dc = ::GetDC(f.Bevel1->handle());
    const COLORREF top = ::GetPixel(dc, 100, 0), below = ::GetPixel(dc, 100, 1), inside = ::GetPixel(dc, 100, 8);
    ::ReleaseDC(f.Bevel1->handle(), dc);
    EXPECT_EQ(top, ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(below, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(inside, ::GetSysColor(COLOR_BTNFACE));
}

TEST(AboutLayout, OkIsDefaultAndCancelAndLeadsTheTabOrder) {
    TAboutForm f(nullptr);
    EXPECT_TRUE(f.OKButton->isDefault);
    EXPECT_TRUE(f.OKButton->isCancel);
    EXPECT_EQ(f.OKButton->modalResult, 1);
    EXPECT_EQ(::GetDlgCtrlID(f.OKButton->handle()), IDOK);
    EXPECT_EQ(::GetWindowLongW(f.OKButton->handle(), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_FALSE(f.Button1->isDefault || f.Button1->isCancel);
    EXPECT_EQ(f.Button1->modalResult, 0);
    // Tab order: OK, Help, then the three links; the other labels are not stops.
    const HWND chain[] = {f.OKButton->handle(), f.Button1->handle(), f.URLLabel1->handle(), f.URLLabel2->handle(),
                          f.URLLabel3->handle(), f.OKButton->handle()};
    EXPECT_EQ(::GetNextDlgTabItem(f.handle(), nullptr, FALSE), chain[0]);
    for (int i = 0; i + 1 < 6; ++i) EXPECT_EQ(::GetNextDlgTabItem(f.handle(), chain[i], FALSE), chain[i + 1]) << i;

    EXPECT_EQ(f.URLLabel1->URL(), L"https://ocellus.example.org/");
    EXPECT_EQ(f.URLLabel2->URL(), L"https://www.example.org/");
    EXPECT_EQ(f.URLLabel3->EmailAddress(), L"ocellus@example.org");
    EXPECT_EQ(f.URLLabel3->EmailSubject(), L"Ocellus");
    for (TURLLabel* l : {f.URLLabel1, f.URLLabel2, f.URLLabel3}) {
        EXPECT_TRUE(l->ColorChange());
        EXPECT_EQ(l->HighlightFontColor(), forms::clRed);
        EXPECT_EQ(l->cursor, handCursor());
    }
}

TEST(AboutLayout, ShowsCentredAndScalesTheLinksWithTheRest) {
    {
        TAboutForm f(nullptr);
        f.show();
        RECT r{};
        ::GetWindowRect(f.handle(), &r);
        const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
        EXPECT_NEAR((r.left + r.right) / 2, sw / 2, 1);
        EXPECT_NEAR((r.top + r.bottom) / 2, sh / 2, 1);
    }
    forms::seams().screenPixelsPerInch = [] { return 120; };
    TAboutForm f(nullptr);
    f.scaled = false;
    f.showHint = true;
    ocellus::StandardizeFormFont(&f, false);
    forms::restoreDefaultSeams();
    const RECT link = clientRect(f.URLLabel1->handle());
    EXPECT_EQ(link.left, 84);  // 67, 118, 200 × 17 at 125 %
    EXPECT_EQ(link.top, 148);
    EXPECT_EQ(link.right - link.left, 250);
    EXPECT_EQ(link.bottom - link.top, 21);
    EXPECT_EQ(fontOf(f.URLLabel3->handle()).lfHeight, -16);
    EXPECT_EQ(clientRect(f.OKButton->handle()).left, 256);
    EXPECT_EQ(f.clientWidth(), 425);
}

TEST(AboutModal, EnterOnTheFocusedOkAndEscapeFromAnywhereClose) {
    StepsCleanup cleanup;
    {
        TAboutForm f(nullptr);
        HWND focusAtOpen = nullptr;
        std::wstring versionWhileOpen;
        later(50, [&] {
            focusAtOpen = ::GetFocus();
            versionWhileOpen = windowText(f.versionlabel->handle());
            postKey(focusAtOpen, VK_RETURN);
        });
        EXPECT_EQ(showModalGuarded(f), 1);
        EXPECT_EQ(focusAtOpen, f.OKButton->handle());
        EXPECT_EQ(versionWhileOpen, L"v1.6");
    }
    for (int from = 0; from < 2; ++from) {
        TAboutForm f(nullptr);
        HWND target = from == 0 ? f.Button1->handle() : f.URLLabel2->handle();
        later(50, [&] {
            ::SetFocus(target);
            postKey(target, VK_ESCAPE);
        });
        EXPECT_EQ(showModalGuarded(f), 1) << from;
        EXPECT_FALSE(::IsWindowVisible(f.handle()));
    }
    {
        TAboutForm f(nullptr);  // the close box
        later(50, [&] { ::PostMessageW(f.handle(), WM_SYSCOMMAND, SC_CLOSE, 0); });
        EXPECT_EQ(showModalGuarded(f), 2);
    }
}

TEST(AboutModal, KeyboardReachesTheLinksAndEnterFollowsOneWithoutClosing) {
    StepsCleanup cleanup;
    ShellCapture shell;
    TAboutForm f(nullptr);
    HWND afterTab = nullptr;
    bool underlinedWhileFocused = false, underlinedAfterFocusLeft = true, openAfterEnter = false;
    later(50, [&] {
        // The pointer starts at the screen's centre, over the first link; a fresh window's first X events
        // can put it back there, so it is moved until it stays away.
        int settled = 0;
        when([&] {
            POINT p{};
            ::GetCursorPos(&p);
            if (p.x != 0 || p.y != 0) ::SetCursorPos(0, 0);
            settled = (p.x == 0 && p.y == 0 && !f.URLLabel1->mouseInside()) ? settled + 1 : 0;
            return settled >= 5;
        }, [&] {
            ::SetFocus(f.Button1->handle());
            ::PostMessageW(f.Button1->handle(), WM_KEYDOWN, VK_TAB, 1);
            later(50, [&] {
                afterTab = ::GetFocus();
                underlinedWhileFocused = underlined(f.URLLabel1->handle());
                postKey(afterTab, VK_RETURN);
                later(50, [&] {
                    openAfterEnter = ::IsWindowVisible(f.handle()) && f.modalResult == 0;
                    ::SetFocus(f.OKButton->handle());
                    underlinedAfterFocusLeft = underlined(f.URLLabel1->handle());
                    postKey(::GetFocus(), VK_ESCAPE);
                });
            });
        });
    });
    EXPECT_EQ(showModalGuarded(f), 1);
    EXPECT_EQ(afterTab, f.URLLabel1->handle());
    EXPECT_TRUE(underlinedWhileFocused);
    EXPECT_TRUE(openAfterEnter);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].file, L"https://ocellus.example.org/");
    EXPECT_FALSE(underlinedAfterFocusLeft);
}

TEST(AboutHelp, AltHShowsTheHelpTextAndTheVersionReadsV16AfterItCloses) {
    MessageCapture messages;
    TAboutForm f(nullptr);
    f.show();
    ASSERT_TRUE(pumpUntil([&] { return windowText(f.versionlabel->handle()) == L"v1.6"; }));
    ASSERT_EQ(::GetActiveWindow(), f.handle());
    // While the message is up something else is active; closing it hands activation back.
    bool standInWasActive = false;
    messages.whileShown = [&] {
        HWND standIn = ::CreateWindowExW(0, L"STATIC", L"message", WS_POPUP | WS_VISIBLE, 0, 0, 80, 40, f.handle(),
                                         nullptr, nullptr, nullptr);
        ::SetActiveWindow(standIn);
        standInWasActive = ::GetActiveWindow() == standIn;
        f.versionlabel->setCaption(L"v1.2");
        ::DestroyWindow(standIn);
    };
    ::PostMessageW(::GetFocus(), WM_SYSCHAR, L'h', 1 << 29);
    forms::application().processMessages();

    ASSERT_EQ(messages.calls.size(), 1u);
    const MessageCall& call = messages.calls[0];
    const bool task = ocellus::UseTaskDialogs();
    std::printf("help shown as a %s\n", task ? "task dialog" : "message box");
    EXPECT_EQ(call.taskDialog, task);
    EXPECT_EQ(call.owner, task ? f.handle() : nullptr);
    EXPECT_EQ(call.title, L"Ocellus");
    EXPECT_EQ(call.text, kHelp);
    EXPECT_EQ(call.type, 0u);
    EXPECT_TRUE(standInWasActive);
    EXPECT_TRUE(pumpUntil([&] { return windowText(f.versionlabel->handle()) == L"v1.6"; }));
    EXPECT_TRUE(::IsWindowVisible(f.handle()));
}

TEST(AboutHelp, WithoutATaskDialogTheHelpComesInAnOwnerlessMessageBox) {
    // The manifest asks for common controls 6 and Wine's default theme is on.
    if (::IsAppThemed() && ::IsThemeActive()) {
        EXPECT_TRUE(ocellus::UseTaskDialogs());
    }
    MessageCapture messages;
    messages.taskDialogWorks = false;
    TAboutForm f(nullptr);
    f.show();
    pump(20);
    ::SendMessageW(f.Button1->handle(), BM_CLICK, 0, 0);
    ASSERT_FALSE(messages.calls.empty());
    const MessageCall& box = messages.calls.back();
    EXPECT_FALSE(box.taskDialog);
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.title, L"Ocellus");
    EXPECT_EQ(box.text, kHelp);
    EXPECT_EQ(box.type, 0u);

    messages.calls.clear();
    ocellus::ShowInfoMessage(L"Plain words", L"Own caption");
    ASSERT_FALSE(messages.calls.empty());
    EXPECT_EQ(messages.calls.back().title, L"Own caption");
    EXPECT_EQ(messages.calls.back().text, L"Plain words");
}

TEST(AboutOpening, EveryOpeningIsANewDialogAndTwentyLeaveNoObjects) {
    StepsCleanup cleanup;
    forms::gdiplus::Session gdiplus;
    forms::application().title = L"Ocellus";
    auto main = std::make_unique<ocellus::TForm1>(nullptr);
    main->show();
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
        main->Button1Click(main.get());
        EXPECT_EQ(ocellus::AboutForm, nullptr);
        EXPECT_TRUE(::IsWindowEnabled(main->handle()));
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
    EXPECT_GT(before, 0);
    EXPECT_LE(after, before);
}

// ----- the link label -----

TEST(UrlLabel, StartsAsALinkAndTakesTheUrlAsCaptionOnlyWhileUnset) {
    LinkHost host;
    TURLLabel& fresh = host.link(L"URLLabel9", L"URLLabel9");
    EXPECT_FALSE(fresh.parentFont);
    EXPECT_EQ(fresh.font().color, kLinkBlue);
    EXPECT_EQ(fresh.HighlightFontColor(), 255u);
    EXPECT_TRUE(fresh.ColorChange());
    EXPECT_EQ(fresh.OrigFontColor(), 0u);
    EXPECT_EQ(fresh.cursor, handCursor());
    EXPECT_TRUE(fresh.URL().empty() && fresh.EmailAddress().empty() && fresh.EmailSubject().empty());
    const LONG style = ::GetWindowLongW(fresh.handle(), GWL_STYLE);
    EXPECT_TRUE(style & SS_NOTIFY);
    EXPECT_TRUE(style & WS_TABSTOP);
    LRESULT set = ::SendMessageW(fresh.handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(fresh.handle()),
                                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_TRUE(set);
    EXPECT_EQ(::GetCursor(), handCursor());

    fresh.setURL(L"https://a.example.org/");  // caption still the name
    EXPECT_EQ(fresh.caption(), L"https://a.example.org/");
    EXPECT_EQ(windowText(fresh.handle()), L"https://a.example.org/");
    TURLLabel& empty = host.link(L"URLLabel8", L"");
    empty.setURL(L"b@example.org");
    EXPECT_EQ(windowText(empty.handle()), L"b@example.org");
    TURLLabel& named = host.link(L"URLLabel7", L"Visit us");
    named.setURL(L"https://c.example.org/");
    EXPECT_EQ(windowText(named.handle()), L"Visit us");
    EXPECT_EQ(named.URL(), L"https://c.example.org/");
    named.setEmailAddress(L"d@example.org");
    EXPECT_EQ(windowText(named.handle()), L"Visit us");
}

TEST(UrlLabel, ClickRaisesOnClickThenSendsTheExactShellRequest) {
    ShellCapture shell;
    {
        TAboutForm f(nullptr);
        clickStatic(f.URLLabel3->handle());
        clickStatic(f.URLLabel1->handle());
        ASSERT_EQ(shell.calls.size(), 2u);
        const ShellCall& mail = shell.calls[0];
        EXPECT_EQ(mail.owner, nullptr);
        EXPECT_FALSE(mail.verb.has_value());
        EXPECT_EQ(mail.file, L"mailto:ocellus@example.org?subject=Ocellus");
        EXPECT_TRUE(mail.paramsNull && mail.dirNull);
        EXPECT_EQ(mail.show, SW_SHOWNORMAL);
        const ShellCall& web = shell.calls[1];
        EXPECT_EQ(web.owner, forms::application().handle());
        ASSERT_TRUE(web.verb.has_value());
        EXPECT_EQ(*web.verb, L"");
        EXPECT_EQ(web.file, L"https://ocellus.example.org/");
        EXPECT_TRUE(web.paramsNull && web.dirNull);
        EXPECT_EQ(web.show, SW_SHOWNORMAL);
    }
    shell.calls.clear();
    LinkHost host;
    TURLLabel& l = host.link(L"Link", L"Link");
    std::vector<std::wstring> order;
    l.onClick = [&](forms::Component*) { order.push_back(L"onClick:" + std::to_wstring(shell.calls.size())); };

    l.setURL(L"someone@example.org");  // looks like an address: mailed, subject unescaped
    l.setEmailSubject(L"Hi there");
    clickStatic(l.handle());
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].file, L"mailto:someone@example.org?subject=Hi there");
    EXPECT_EQ(shell.calls[0].owner, nullptr);
    EXPECT_FALSE(shell.calls[0].verb.has_value());
    ASSERT_EQ(order.size(), 1u);
    EXPECT_EQ(order[0], L"onClick:0");  // the event comes before the shell

    l.setEmailSubject(L"");
    l.setEmailAddress(L"me@example.org");  // the address wins over the URL
    clickStatic(l.handle());
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[1].file, L"mailto:me@example.org");

    l.setEmailAddress(L"@example.org");  // not an address, and no URL: nothing opens
    l.setURL(L"");
    clickStatic(l.handle());
    EXPECT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(order.size(), 3u);
}

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

    l.font().style = forms::fsUnderline | forms::fsBold;  // laid out underlined: loses it after a hover
    l.fontChanged();
    enter();
    leave();
    EXPECT_FALSE(underlined(l.handle()));
    EXPECT_EQ(fontOf(l.handle()).lfWeight, FW_BOLD);
}

TEST(UrlLabel, TheRealPointerHighlightsWhileOverTheLink) {
    LinkHost host;
    TURLLabel& l = host.link(L"Link", L"https://a.example.org/");
    host.setBounds(200, 200, host.width(), host.height());
    host.show();
    ::SetFocus(host.handle());  // the link took the focus on activation, which underlines it too
    ASSERT_TRUE(movePointerUntil(0, 0, [&] { return !l.mouseInside(); }));
    ASSERT_FALSE(underlined(l.handle()));
    RECT r{};
    ::GetWindowRect(l.handle(), &r);
    ASSERT_TRUE(movePointerUntil((r.left + r.right) / 2, (r.top + r.bottom) / 2, [&] { return l.mouseInside(); }));
    EXPECT_TRUE(underlined(l.handle()));
    EXPECT_EQ(paintedTextColor(l.handle()), 255u);
    EXPECT_EQ(::GetCursor(), handCursor());
    ASSERT_TRUE(movePointerUntil(r.right + 100, r.bottom + 100, [&] { return !l.mouseInside(); }));
    EXPECT_FALSE(underlined(l.handle()));
    EXPECT_EQ(paintedTextColor(l.handle()), kLinkBlue);
}
