// End-to-end: the real program, driven and read from outside as a user (or a screen reader) would.
#include <gtest/gtest.h>

#include <list>

#include "e2e_support.h"
#include "e2e_zoom.h"
#include "registry_override.h"

namespace e2e {
namespace {

constexpr COLORREF kColour = RGB(18, 52, 86);  // "$123456", TColor 5649426
constexpr COLORREF kOther = RGB(200, 30, 160);

int screenDpi() {
    HDC dc = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
    ::ReleaseDC(nullptr, dc);
    return dpi;
}

bool isTopmost(HWND w) { return (::GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

COLORREF inverted(COLORREF c) { return RGB(255 - GetRValue(c), 255 - GetGValue(c), 255 - GetBValue(c)); }

class E2eReadout : public ProgramTest {};
class E2eZoom : public ProgramTest {};
class E2eOptions : public ProgramTest {};
class E2eClipboard : public ProgramTest {};
class E2eKeys : public ProgramTest {};
class E2eLifecycle : public ProgramTest {};

// ----- readout -----

TEST_F(E2eReadout, ShowsColourAndPositionUnderThePointer) {
    ASSERT_TRUE(start());
    std::printf("[ figures ] launch to visible main window: %.0f ms\n", app.startMs());
    const POINT spot = showPattern(ScreenPattern::halves(kColour, kOther));
    HWND readout = app.readoutLabel(), xy = app.coordinatesLabel();
    ASSERT_TRUE(readout && xy && readout != xy);

    EXPECT_EQ(waitForTextEqual(readout, rgbText(kOther)), rgbText(kOther));
    EXPECT_EQ(waitForTextEqual(xy, std::to_wstring(spot.x) + L", " + std::to_wstring(spot.y)),
              std::to_wstring(spot.x) + L", " + std::to_wstring(spot.y));

    // The readout follows the pointer without any input to the program.
    const POINT left{spot.x - 100, spot.y + 7};
    movePointer(left);
    EXPECT_EQ(waitForTextEqual(readout, L"RGB: 18,52,86"), L"RGB: 18,52,86");
    EXPECT_EQ(waitForTextEqual(xy, std::to_wstring(left.x) + L", " + std::to_wstring(left.y)),
              std::to_wstring(left.x) + L", " + std::to_wstring(left.y));
}

// Waits until the program has taken a click on the readout (the text turns hexadecimal). Under Wine a
// click the program has not yet taken puts the pointer back where it was pressed when it is taken:
// moving away before that lets a later capture read the label instead of the pattern.
namespace {
void waitUntilHexadecimal(HWND readout) {
    waitForText(readout, [](const std::wstring& t) { return t.starts_with(L"$"); });
}
}  // namespace

TEST_F(E2eReadout, ClickingTheLabelCyclesHexadecimalSignedAndRgb) {
    ASSERT_TRUE(start());
    const POINT spot = showColour(kColour);
    HWND readout = app.readoutLabel();
    ASSERT_EQ(waitForTextEqual(readout, L"RGB: 18,52,86"), L"RGB: 18,52,86");

    const wchar_t* cycle[] = {L"$123456", L"5649426", L"RGB: 18,52,86", L"$123456"};
    for (const wchar_t* expected : cycle) {
        bringToFront(app.window());
        pump(static_cast<int>(::GetDoubleClickTime()) + 50);  // separate clicks, not a double click
        clickAt(centreOf(readout));
        movePointer(spot);
        EXPECT_EQ(waitForTextEqual(readout, expected), expected);
    }
}

TEST_F(E2eReadout, DoubleClickingTheLabelStepsTheFormatOnce) {
    ASSERT_TRUE(start());
    const POINT spot = showColour(kColour);
    HWND readout = app.readoutLabel();
    ASSERT_EQ(waitForTextEqual(readout, L"RGB: 18,52,86"), L"RGB: 18,52,86");
    bringToFront(app.window());
    // Near the left edge: the label narrows as its text turns hexadecimal, and both presses must land on it.
    const RECT r = windowRect(readout);
    clickAt({r.left + 2, (r.top + r.bottom) / 2}, 2);
    waitUntilHexadecimal(readout);
    movePointer(spot);
    // Only a capture after the move reads this colour, and captures come after any input waiting: a
    // second step would have been taken before it.
    EXPECT_EQ(waitForTextEqual(readout, L"$123456"), L"$123456");
}

// ----- zoom -----

TEST_F(E2eZoom, StartsAtX3AndEachButtonSelectsItsStep) {
    ASSERT_TRUE(start());
    showColour(kColour);
    EXPECT_EQ(checkedZoom(app), L"x3");
    const SIZE picture = clientSize(app.picture());
    if (screenDpi() == 96) {
        EXPECT_EQ(picture.cx, 572);
        EXPECT_EQ(picture.cy, 356);
    }
    // Every step twice over, in an order that never repeats the previous button.
    for (int pass = 0; pass < 2; ++pass) {
        for (const ZoomRow& z : kZoom) {
            SCOPED_TRACE(narrow(z.caption));
            HWND button = app.control(L"Button", z.caption);
            ASSERT_TRUE(button);
            ASSERT_TRUE(clickButton(button));
            EXPECT_EQ(checkedZoom(app), z.caption);
            auto area = unmagnifiedArea();
            ASSERT_TRUE(area);
            const SIZE expected = areaFor(picture, z.code);
            EXPECT_EQ(area->cx, expected.cx);
            EXPECT_EQ(area->cy, expected.cy);
        }
    }
}

TEST_F(E2eZoom, WheelStepsOneRowAtATimeAndStopsAtTheEnds) {
    ASSERT_TRUE(start());
    const SIZE picture = clientSize(app.picture());
    movePointer(centreOf(app.picture()));  // the wheel goes to the window under the pointer
    ASSERT_EQ(checkedZoom(app), L"x3");

    auto notch = [&](int direction, const ZoomRow& expected) {
        SCOPED_TRACE(narrow(expected.caption));
        bringToFront(app.window());
        sendWheel(direction);
        pumpUntil([&] { return checkedZoom(app) == expected.caption; }, kUiTimeoutMs);
        EXPECT_EQ(checkedZoom(app), expected.caption);
        auto area = unmagnifiedArea();
        ASSERT_TRUE(area);
        EXPECT_EQ(area->cx, areaFor(picture, expected.code).cx);
        EXPECT_EQ(area->cy, areaFor(picture, expected.code).cy);
    };
    for (int i = 4; i < 9; ++i) notch(+1, kZoom[i]);  // x4 .. x15
    notch(+1, kZoom[8]);                              // no wrap past x15
    for (int i = 7; i >= 0; --i) notch(-1, kZoom[i]);  // x12 .. x1
    notch(-1, kZoom[0]);                               // no wrap past x1
    notch(+1, kZoom[1]);                               // and back up
}

// ----- option boxes -----

TEST_F(E2eOptions, StayOnTopMovesTheWindowIntoAndOutOfTheTopmostBand) {
    HWND w = start();
    ASSERT_TRUE(w);
    EXPECT_FALSE(isTopmost(w));
    const RECT before = windowRect(w);
    HWND box = app.control(L"Button", L"&Stay on top");
    ASSERT_TRUE(clickButton(box));
    EXPECT_TRUE(pumpUntil([&] { return isTopmost(w); }, 2000));
    ASSERT_TRUE(clickButton(box));
    EXPECT_TRUE(pumpUntil([&] { return !isTopmost(w); }, 2000));
    const RECT after = windowRect(w);
    EXPECT_TRUE(::EqualRect(&before, &after)) << "the window moved or changed size";
}

TEST_F(E2eOptions, InvertEnhanceAndShowCursorChangeThePicture) {
    ASSERT_TRUE(start());
    showColour(kColour);
    auto centre = [](const Picture& p) { return p.at(p.width / 2, p.height / 2); };
    // Inside the arrow's outline, and beside it.
    auto inArrow = [](const Picture& p) { return p.at(p.width / 2 + 3, p.height / 2 + 20); };
    auto beside = [](const Picture& p) { return p.at(p.width / 2 - 10, p.height / 2 + 20); };

    auto plain = pictureWhen([&](const Picture& p) { return centre(p) == kColour; });
    ASSERT_TRUE(plain);
    EXPECT_EQ(centre(*plain), kColour);
    EXPECT_EQ(inArrow(*plain), kColour) << "an arrow without Show cursor";

    ASSERT_TRUE(clickButton(app.control(L"Button", L"Invert cols")));
    auto inv = pictureWhen([&](const Picture& p) { return centre(p) == inverted(kColour); });
    ASSERT_TRUE(inv);
    EXPECT_EQ(centre(*inv), inverted(kColour));
    ASSERT_TRUE(clickButton(app.control(L"Button", L"Invert cols")));

    ASSERT_TRUE(clickButton(app.control(L"Button", L"Show cursor")));
    auto arrow = pictureWhen([&](const Picture& p) { return inArrow(p) == RGB(255, 255, 255); });
    ASSERT_TRUE(arrow);
    EXPECT_EQ(inArrow(*arrow), RGB(255, 255, 255)) << "no white arrow at the pointer's place";
    EXPECT_EQ(beside(*arrow), kColour);
    ASSERT_TRUE(clickButton(app.control(L"Button", L"Show cursor")));

    // Enhance (brightness 250, contrast 70, saturation 290), worked by hand for each channel v of a pixel
    // whose channels average m (truncated): saturation n = m - w(m) + w(v) with w(x) = (x + 1) * 290 >> 8;
    // brightness q = (6 + 250 n) / 256, truncated; contrast (q - 170) / cos(0.35 pi) + 170, the slope
    // 2.2026893, rounded and clamped to 0..255.
    //   (160,170,180): m 170, w(m) 193; w(v) 182,193,205; n 159,170,182; q 155,166,177;
    //                  136.96, 161.19, 185.42 -> (137,161,185)
    //   (18,52,86):    m 52, w(m) 60; w(v) 21,60,98; n 13,52,90; q 12,50,87; all below 0 -> black
    const COLORREF pale = RGB(160, 170, 180);
    showPattern(ScreenPattern::halves(kColour, pale));  // the pointer and the picture's centre on the right half
    ASSERT_TRUE(clickButton(app.control(L"Button", L"Enhance")));
    auto enhanced = pictureWhen([&](const Picture& p) { return centre(p) == RGB(137, 161, 185); });
    ASSERT_TRUE(enhanced);
    EXPECT_EQ(rgbText(centre(*enhanced)), L"RGB: 137,161,185");
    EXPECT_EQ(rgbText(beside(*enhanced)), L"RGB: 0,0,0");
}

// ----- clipboard -----

TEST_F(E2eClipboard, CtrlPCopiesTheReadoutTextAsShown) {
    ASSERT_TRUE(start());
    const POINT spot = showColour(kColour);
    HWND readout = app.readoutLabel();
    ASSERT_EQ(waitForTextEqual(readout, L"RGB: 18,52,86"), L"RGB: 18,52,86");
    ASSERT_TRUE(copyWith('P'));
    EXPECT_EQ(clipboardText().value_or(L"<none>"), L"RGB: 18,52,86");
    EXPECT_EQ(textOf(readout), L"RGB: 18,52,86");

    clickAt(centreOf(readout));
    waitUntilHexadecimal(readout);
    movePointer(spot);
    ASSERT_EQ(waitForTextEqual(readout, L"$123456"), L"$123456");
    ASSERT_TRUE(copyWith('P'));
    EXPECT_EQ(clipboardText().value_or(L"<none>"), L"$123456");
}

// Every pixel of the pattern its own colour, so that any shift, flip or inversion shows.
TEST_F(E2eClipboard, CtrlUCopiesTheAreaAroundThePointerAndCtrlCWhatThePictureShowsOnTheScreen) {
    ASSERT_TRUE(start());
    const POINT spot = showPattern(paintCodes);
    const SIZE picture = clientSize(app.picture());
    auto pic = copyPicture('U');
    ASSERT_TRUE(pic);
    const SIZE expected = areaFor(picture, 6);
    EXPECT_EQ(pic->width, expected.cx);
    EXPECT_EQ(pic->height, expected.cy);
    if (screenDpi() == 96) {
        EXPECT_EQ(pic->width, 190);
        EXPECT_EQ(pic->height, 118);
    }
    // Centred on the pointer; no pointer arrow in it.
    const int left = spot.x - pic->width / 2, top = spot.y - pic->height / 2;
    EXPECT_EQ(differenceOf(pic, screenPicture({left, top, left + pic->width, top + pic->height})), "");

    // The window's picture as read from the screen, not from the bitmap it is painted from.
    EXPECT_EQ(differenceOf(copyPicture('C'), screenPicture(clientOnScreen(app.picture()))), "");
}

TEST_F(E2eClipboard, KeysOutsideTheTableDoNothing) {
    ASSERT_TRUE(start());
    movePointer(centreOf(app.picture()));  // where the wheel zooms
    ASSERT_TRUE(putClipboardText(L"e2e sentinel"));
    const DWORD seq = ::GetClipboardSequenceNumber();
    struct Press {
        const char* name;
        WORD key;
        std::initializer_list<WORD> modifiers;
    };
    const Press presses[] = {{"Ctrl+Shift+C", 'C', {VK_CONTROL, VK_SHIFT}},
                             {"Ctrl+Alt+P", 'P', {VK_CONTROL, VK_MENU}},
                             {"Ctrl+Shift+U", 'U', {VK_CONTROL, VK_SHIFT}},
                             {"Shift+F1", VK_F1, {VK_SHIFT}},
                             {"Ctrl+F1", VK_F1, {VK_CONTROL}}};
    int notch = +1;
    for (const Press& p : presses) {
        SCOPED_TRACE(p.name);
        bringToFront(app.window());
        sendKey(p.key, p.modifiers);
        // Input is taken in order: once the zoom shows a wheel notch sent after the press, the press
        // has had its effect, and the window was not blocked by a dialog.
        sendWheel(notch);
        const wchar_t* zoom = kZoom[notch > 0 ? 4 : 3].caption;  // x4, then back to x3
        EXPECT_TRUE(pumpUntil([&] { return checkedZoom(app) == zoom; }, kUiTimeoutMs));
        notch = -notch;
        EXPECT_EQ(::GetClipboardSequenceNumber(), seq);
        EXPECT_TRUE(topWindows(app.pid(), L"TAboutForm", L"About this program").empty());
        EXPECT_TRUE(app.running());
    }
    EXPECT_EQ(clipboardText().value_or(L"<none>"), L"e2e sentinel");
    EXPECT_NE(clipboardOwnerProcess(), app.pid());
    // The keys do reach the program: plain Ctrl+C copies.
    EXPECT_TRUE(copyPicture('C'));
}

// ----- keys -----

void press(HWND button) { ::PostMessageW(button, BM_CLICK, 0, 0); }

TEST_F(E2eKeys, F1AndHOpenTheAboutDialogAndOkClosesIt) {
    ASSERT_TRUE(start());
    const POINT spot = showPattern(ScreenPattern::halves(kColour, kOther));
    HWND readout = app.readoutLabel();
    struct Press {
        const char* name;
        WORD key;
        bool shift;
    };
    const Press presses[] = {{"F1", VK_F1, false}, {"h", 'H', false}, {"H", 'H', true}};
    for (const Press& p : presses) {
        SCOPED_TRACE(p.name);
        movePointer(spot);
        bringToFront(app.window());
        if (p.shift) sendKey(p.key, {VK_SHIFT});
        else sendKey(p.key);
        HWND about = waitForAbout(app.pid());
        ASSERT_TRUE(about) << "no \"About this program\" dialog";
        EXPECT_TRUE(findChild(about, L"Button", L"&Help"));

        // Captures go on behind the modal dialog.
        movePointer({spot.x - 100, spot.y});
        EXPECT_EQ(waitForTextEqual(readout, L"RGB: 18,52,86"), L"RGB: 18,52,86");
        movePointer(spot);

        HWND ok = findChild(about, L"Button", L"OK");
        if (!ok) ::PostMessageW(about, WM_CLOSE, 0, 0);  // keep the run going; the failure is recorded
        ASSERT_TRUE(ok) << "no OK button";
        ASSERT_TRUE(clickButton(ok));
        EXPECT_TRUE(pumpUntil([&] { return !::IsWindow(about) || !::IsWindowVisible(about); }, kUiTimeoutMs));
        EXPECT_TRUE(app.running());
    }
}

// Stands in for the browser and the mail program: the class's open command appends the address it
// is given to a file, so a click on a link can be checked without starting either.
class ShellStandIn {
public:
    explicit ShellStandIn(std::initializer_list<const wchar_t*> schemes) {
        wchar_t dir[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, dir);
        log_ = std::wstring(dir) + L"ocellus-links.txt";
        ::DeleteFileW(log_.c_str());
        const std::wstring command = L"cmd.exe /c echo %1>>\"" + log_ + L"\"";
        for (const wchar_t* scheme : schemes)
            commands_.emplace_back(HKEY_LOCAL_MACHINE,
                                   std::wstring(L"Software\\Classes\\") + scheme + L"\\shell\\open\\command", L"",
                                   testing_support::RegistryValue::text(command));
    }
    ~ShellStandIn() { ::DeleteFileW(log_.c_str()); }
    ShellStandIn(const ShellStandIn&) = delete;
    ShellStandIn& operator=(const ShellStandIn&) = delete;

    // The addresses opened so far, one per line.
    std::vector<std::string> opened() const {
        std::vector<std::string> lines;
        HANDLE f = ::CreateFileW(log_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return lines;
        std::string text(65536, '\0');
        DWORD n = 0;
        ::ReadFile(f, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
        ::CloseHandle(f);
        text.resize(n);
        std::string line;
        for (char c : text) {
            if (c == '\r') continue;
            if (c == '\n') {
                while (!line.empty() && line.back() == ' ') line.pop_back();
                if (!line.empty()) lines.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        return lines;
    }

private:
    std::wstring log_;
    std::list<testing_support::RegistryOverride> commands_;
};


TEST_F(E2eKeys, QuestionButtonAboutHelpLinksOkThenEscSavesTheSettings) {
    ShellStandIn shell({L"https", L"mailto"});
    HWND w = start();
    ASSERT_TRUE(w);
    HWND question = app.control(L"Button", L"?");
    ASSERT_TRUE(question) << "no \"?\" button";
    press(question);
    HWND about = waitForAbout(app.pid());
    ASSERT_TRUE(about) << "\"?\" did not open the About dialog";
    EXPECT_TRUE(pumpUntil([&] { return findChild(about, L"", L"v1.6") != nullptr; }, kUiTimeoutMs))
        << "the version line reads v1.6 once the dialog is active";

    // Help: the five paragraphs in a box of the program's title; the About dialog stays.
    HWND help = findChild(about, L"Button", L"&Help");
    ASSERT_TRUE(help);
    press(help);
    HWND box = app.waitForErrorBox();
    ASSERT_TRUE(box) << "no help box";
    const std::wstring text = messageBoxText(box);
    EXPECT_EQ(text.rfind(L"Resize the window to the size you want.", 0), 0u) << narrow(text);
    EXPECT_NE(text.find(L"Ctrl-P to copy the pixel colour code"), std::wstring::npos) << narrow(text);
    ASSERT_TRUE(dismiss(box));
    EXPECT_TRUE(::IsWindowVisible(about));
    EXPECT_TRUE(findChild(about, L"", L"v1.6"));

    // The links: the two web pages, then the address with its subject, through the shell.
    const std::vector<std::string> expected = {"https://ocellus.example.org/", "https://www.example.org/",
                                               "mailto:ocellus@example.org?subject=Ocellus"};
    for (const wchar_t* caption : {L"https://ocellus.example.org/", L"https://www.example.org/", L"ocellus@example.org"}) {
        HWND link = findChild(about, L"", caption);
        ASSERT_TRUE(link) << "no link " << narrow(caption);
        clickAt(centreOf(link));
        const std::size_t want = shell.opened().size() + 1;
        pumpUntil([&] { return shell.opened().size() >= want; }, kUiTimeoutMs);
    }
    EXPECT_EQ(shell.opened(), expected);

    HWND ok = findChild(about, L"Button", L"OK");
    ASSERT_TRUE(ok);
    press(ok);
    EXPECT_TRUE(pumpUntil([&] { return !::IsWindow(about); }, kUiTimeoutMs)) << "OK did not close the dialog";

    const RECT bounds = windowRect(w);
    bringToFront(w);
    sendKey(VK_ESCAPE);
    ASSERT_TRUE(app.waitForExit()) << "Esc did not end the program";
    EXPECT_EQ(settingsValueCount(), 9u);
    EXPECT_EQ(readText(L"Magnification").value_or(L"<none>"), L"6");
    EXPECT_EQ(readText(L"Left").value_or(L"<none>"), std::to_wstring(bounds.left));
    EXPECT_EQ(readText(L"Width").value_or(L"<none>"), std::to_wstring(bounds.right - bounds.left));
}

// ----- lifecycle -----

TEST_F(E2eLifecycle, RestartRestoresZoomOptionsAndBounds) {
    HWND w = start();
    ASSERT_TRUE(w);
    ASSERT_TRUE(clickButton(app.control(L"Button", L"x9")));
    for (const wchar_t* caption : {L"&Stay on top", L"&Interpolate", L"Show cursor", L"Invert cols", L"Enhance"})
        ASSERT_TRUE(clickButton(app.control(L"Button", caption)));
    ::SetWindowPos(w, nullptr, 100, 80, 700, 520, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(pumpUntil([&] { return windowRect(w).left == 100 && windowRect(w).right == 800; }, 2000));
    const RECT bounds = windowRect(w);
    ASSERT_TRUE(app.close());
    EXPECT_EQ(readText(L"Magnification").value_or(L"<none>"), L"18");

    w = start();
    ASSERT_TRUE(w);
    EXPECT_EQ(isChecked(app.control(L"Button", L"x9")), true);
    EXPECT_EQ(isChecked(app.control(L"Button", L"x3")), false);
    for (const wchar_t* caption : {L"&Stay on top", L"&Interpolate", L"Show cursor", L"Invert cols"})
        EXPECT_EQ(isChecked(app.control(L"Button", caption)), true) << narrow(caption);
    EXPECT_EQ(isChecked(app.control(L"Button", L"Enhance")), false) << "Enhance is not stored";
    EXPECT_TRUE(isTopmost(w));
    const RECT now = windowRect(w);
    EXPECT_EQ(now.left, bounds.left);
    EXPECT_EQ(now.top, bounds.top);
    EXPECT_EQ(now.right - now.left, bounds.right - bounds.left);
    EXPECT_EQ(now.bottom - now.top, bounds.bottom - bounds.top);
    EXPECT_TRUE(app.close());
}

TEST_F(E2eLifecycle, MinimisedReadoutHoldsUntilRestored) {
    HWND w = start();
    ASSERT_TRUE(w);
    showColour(kColour);
    HWND readout = app.readoutLabel();
    ASSERT_EQ(waitForTextEqual(readout, L"RGB: 18,52,86"), L"RGB: 18,52,86");

    // The control: how long running captures take to show a change of the screen; minimised, a few
    // times that shows none.
    const double changed = nowMs();
    showColour(kOther);
    ASSERT_EQ(waitForTextEqual(readout, rgbText(kOther)), rgbText(kOther));
    const double shownMs = nowMs() - changed;

    ::ShowWindowAsync(w, SW_MINIMIZE);
    ASSERT_TRUE(pumpUntil([&] { return ::IsIconic(w) != FALSE; }, kUiTimeoutMs));
    showColour(kColour);
    pump(static_cast<int>(4 * shownMs) + 50);
    EXPECT_EQ(textOf(readout), rgbText(kOther)) << "captures ran while minimised";

    ::ShowWindowAsync(w, SW_RESTORE);
    ASSERT_TRUE(pumpUntil([&] { return !::IsIconic(w); }, kUiTimeoutMs));
    EXPECT_EQ(waitForTextEqual(readout, L"RGB: 18,52,86"), L"RGB: 18,52,86");
    EXPECT_TRUE(app.close());
}

}  // namespace
}  // namespace e2e
