// Black-box driver for the end-to-end tests: starts the real Ocellus.exe next to this program and
// acts as its user (screen, pointer, keys, wheel, clipboard, registry). Uses only Win32, so the same
// program runs under Wine and on Windows. Every wait is bounded.
#pragma once

#include <windows.h>

#include <psapi.h>
#include <winternl.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "e2e_clipboard.h"
#include "win_support.h"

namespace e2e {

using testing_support::gdiObjectsOf;
using testing_support::movePointer;
using testing_support::pump;
using testing_support::pumpUntil;
using testing_support::ScreenPattern;

inline constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Tarnwick\\Ocellus";
inline constexpr std::array<const wchar_t*, 9> kSettingNames = {
    L"OnTop", L"Interpolate", L"InvertColors", L"Cursor", L"Left", L"Top", L"Width", L"Height", L"Magnification"};

inline constexpr int kStartTimeoutMs = 15000;
inline constexpr int kExitTimeoutMs = 10000;
inline constexpr int kUiTimeoutMs = 4000;

// Milliseconds since an arbitrary start, for the figures the tests print.
inline double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// ----- files -----

inline std::wstring moduleDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return L".";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

inline std::wstring ocellusPath() { return moduleDirectory() + L"\\Ocellus.exe"; }

// ----- registry -----

inline void clearSettings() { ::RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey); }

class SettingsKey {
public:
    SettingsKey() {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                          nullptr, &key_, nullptr);
    }
    ~SettingsKey() {
        if (key_) ::RegCloseKey(key_);
    }
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// Writes any bytes under any type: the hostile tests need malformed values.
inline bool writeRaw(const wchar_t* name, DWORD type, const void* data, std::size_t bytes) {
    SettingsKey key;
    return key.get() && ::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data),
                                         static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
}

inline bool writeText(const wchar_t* name, std::wstring_view text) {
    std::wstring s(text);
    return writeRaw(name, REG_SZ, s.c_str(), (s.size() + 1) * sizeof(wchar_t));
}

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> data;
};

inline std::optional<RawValue> readRaw(const wchar_t* name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    RawValue v;
    DWORD size = 0;
    LONG rc = ::RegQueryValueExW(key, name, nullptr, &v.type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        v.data.resize(size);
        rc = ::RegQueryValueExW(key, name, nullptr, &v.type, v.data.data(), &size);
        v.data.resize(size);
    }
    ::RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return v;
}

// The text of a REG_SZ value as the program writes it: UTF-16 with exactly one terminating NUL.
// Anything else (missing, other type, no or extra NUL) gives nullopt.
inline std::optional<std::wstring> readText(const wchar_t* name) {
    auto v = readRaw(name);
    if (!v || v->type != REG_SZ || v->data.size() < 2 || v->data.size() % 2 != 0) return std::nullopt;
    std::wstring s(v->data.size() / 2, L'\0');
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<wchar_t>(v->data[2 * i] | (v->data[2 * i + 1] << 8));
    if (s.back() != L'\0') return std::nullopt;
    s.pop_back();
    if (s.find(L'\0') != std::wstring::npos) return std::nullopt;
    return s;
}

inline DWORD settingsValueCount() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD values = 0;
    ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr);
    ::RegCloseKey(key);
    return values;
}

// ----- windows of another process -----

inline std::wstring classOf(HWND h) {
    wchar_t buf[256] = {};
    ::GetClassNameW(h, buf, 256);
    return buf;
}

inline bool sameText(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

// WM_GETTEXT with a timeout, so a hung program cannot hang the driver.
inline std::wstring textOf(HWND h, UINT timeoutMs = 2000) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &length)) return {};
    std::wstring buf(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG,
                               timeoutMs, &copied))
        return {};
    buf.resize(copied < buf.size() ? copied : buf.size() - 1);
    return buf;
}

// The caption the system keeps for a window, read without sending the program a message: lookups
// by caption then cost nothing even while the program is busy capturing.
inline std::wstring captionOf(HWND h) {
    wchar_t buf[512] = {};
    ::InternalGetWindowText(h, buf, 512);
    return buf;
}

// BM_GETCHECK with a timeout; nullopt when the program did not answer.
inline std::optional<bool> isChecked(HWND button) {
    DWORD_PTR state = 0;
    if (!::SendMessageTimeoutW(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state)) return std::nullopt;
    return state == BST_CHECKED;
}

// BM_CLICK: the button's own click, as if the user clicked it.
inline bool clickButton(HWND button) {
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 3000, &ignored) != 0;
}

inline BOOL CALLBACK collectWindow(HWND h, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
    return TRUE;
}

inline std::vector<HWND> childrenOf(HWND parent) {
    std::vector<HWND> out;
    ::EnumChildWindows(parent, collectWindow, reinterpret_cast<LPARAM>(&out));
    return out;
}

// The first descendant of the class (any, when empty) whose caption is exactly text.
inline HWND findChild(HWND parent, std::wstring_view cls, std::wstring_view text) {
    for (HWND h : childrenOf(parent))
        if ((cls.empty() || sameText(classOf(h), cls)) && captionOf(h) == text) return h;
    return nullptr;
}

inline std::vector<HWND> childrenOfClass(HWND parent, std::wstring_view cls) {
    std::vector<HWND> out;
    for (HWND h : childrenOf(parent))
        if (sameText(classOf(h), cls)) out.push_back(h);
    return out;
}

// Visible top-level windows of a process with the given class and title.
inline std::vector<HWND> topWindows(DWORD pid, std::wstring_view cls, std::wstring_view title) {
    std::vector<HWND> all, found;
    ::EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND h : all) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(h, &owner);
        if (owner == pid && ::IsWindowVisible(h) && sameText(classOf(h), cls) && captionOf(h) == title)
            found.push_back(h);
    }
    return found;
}

inline RECT windowRect(HWND h) {
    RECT r{};
    ::GetWindowRect(h, &r);
    return r;
}

// Where the window's client area is on the screen.
inline RECT clientOnScreen(HWND h) {
    RECT r{};
    ::GetClientRect(h, &r);
    ::MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

inline SIZE clientSize(HWND h) {
    RECT r{};
    ::GetClientRect(h, &r);
    return {r.right - r.left, r.bottom - r.top};
}

inline POINT centreOf(HWND h) {
    RECT r = windowRect(h);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The message text of a message box: its longest static text (the icon is a textless static).
inline std::wstring messageBoxText(HWND box) {
    std::wstring best;
    for (HWND h : childrenOfClass(box, L"Static")) {
        std::wstring t = textOf(h);
        if (t.size() > best.size()) best = t;
    }
    return best;
}

// ----- texts -----

// For failure messages: ASCII as is, anything else as '?'.
inline std::string narrow(std::wstring_view w) {
    std::string s;
    for (wchar_t c : w) s.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return s;
}

// Decimal text as the settings store writes integers: optional minus, digits, no leading zeros.
inline bool isDecimal(std::wstring_view s) {
    const std::size_t first = !s.empty() && s[0] == L'-' ? 1 : 0;
    if (first == s.size()) return false;
    for (std::size_t i = first; i < s.size(); ++i)
        if (s[i] < L'0' || s[i] > L'9') return false;
    return s.size() - first == 1 || s[first] != L'0';
}

// ----- the program under test -----

class Ocellus {
public:
    Ocellus() = default;
    ~Ocellus() { kill(); }
    Ocellus(const Ocellus&) = delete;
    Ocellus& operator=(const Ocellus&) = delete;

    // Starts the program (Ocellus.exe next to this driver unless told otherwise) in its own folder; does
    // not wait for its window.
    bool launch(const std::wstring& exe = ocellusPath()) {
        kill();
        std::wstring cmd = L"\"" + exe + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        const std::wstring dir = exe.substr(0, exe.find_last_of(L"\\/"));
        if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                              dir.c_str(), &si, &pi))
            return false;
        // A job that dies with the driver, so a crashed test run leaves no program behind.
        job_ = ::CreateJobObjectW(nullptr, nullptr);
        if (job_) {
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
            limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            ::SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
            ::AssignProcessToJobObject(job_, pi.hProcess);
        }
        ::ResumeThread(pi.hThread);
        ::CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        pid_ = pi.dwProcessId;
        window_ = nullptr;
        launchedAt_ = nowMs();
        return true;
    }

    // The main window once it is visible; nullptr after the timeout or when the program ended.
    HWND waitForWindow(int timeoutMs = kStartTimeoutMs) {
        pumpUntil(
            [&] {
                auto w = topWindows(pid_, L"TForm1", L"Ocellus");
                if (!w.empty()) window_ = w.front();
                return window_ != nullptr || !running();
            },
            timeoutMs);
        if (window_) startMs_ = nowMs() - launchedAt_;
        return window_;
    }

    HWND window() const { return window_; }
    DWORD pid() const { return pid_; }
    HANDLE process() const { return process_; }
    double startMs() const { return startMs_; }
    bool running() const { return process_ && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

    bool waitForExit(int timeoutMs = kExitTimeoutMs) {
        if (!process_) return true;
        const bool ended = pumpUntil([&] { return !running(); }, timeoutMs);
        if (ended) {
            DWORD code = 0;
            ::GetExitCodeProcess(process_, &code);
            exitCode_ = code;
        }
        return ended;
    }
    std::optional<DWORD> exitCode() const { return exitCode_; }

    // Closes the main window as the title-bar button does, and waits for the process to end.
    bool close(int timeoutMs = kExitTimeoutMs) {
        if (window_ && ::IsWindow(window_)) ::PostMessageW(window_, WM_CLOSE, 0, 0);
        return waitForExit(timeoutMs);
    }

    void kill() {
        if (process_) {
            if (running()) {
                ::TerminateProcess(process_, 99);
                ::WaitForSingleObject(process_, 5000);
            }
            ::CloseHandle(process_);
            process_ = nullptr;
        }
        if (job_) {
            ::CloseHandle(job_);
            job_ = nullptr;
        }
        window_ = nullptr;
    }

    HWND control(std::wstring_view cls, std::wstring_view caption) const {
        return window_ ? findChild(window_, cls, caption) : nullptr;
    }

    // The readout label is the left of the two labels, the coordinates label the right one.
    HWND readoutLabel() const { return label(false); }
    HWND coordinatesLabel() const { return label(true); }
    HWND picture() const {
        auto v = window_ ? childrenOfClass(window_, L"OcellusImage") : std::vector<HWND>{};
        return v.empty() ? nullptr : v.front();
    }

    // Error boxes of this program: dialogs captioned with the application title.
    std::vector<HWND> errorBoxes() const { return topWindows(pid_, L"#32770", L"Ocellus"); }
    HWND waitForErrorBox(int timeoutMs = kUiTimeoutMs) const {
        HWND box = nullptr;
        pumpUntil(
            [&] {
                auto v = errorBoxes();
                box = v.empty() ? nullptr : v.front();
                return box != nullptr || !running();
            },
            timeoutMs);
        return box;
    }

private:
    HWND label(bool rightmost) const {
        HWND best = nullptr;
        LONG bestX = 0;
        for (HWND h : window_ ? childrenOfClass(window_, L"Static") : std::vector<HWND>{}) {
            const LONG x = windowRect(h).left;
            if (!best || (rightmost ? x > bestX : x < bestX)) {
                best = h;
                bestX = x;
            }
        }
        return best;
    }

    HANDLE process_ = nullptr;
    HANDLE job_ = nullptr;
    DWORD pid_ = 0;
    HWND window_ = nullptr;
    std::optional<DWORD> exitCode_;
    double launchedAt_ = 0, startMs_ = 0;
};

// Dismisses a message box with its OK button and waits until it is destroyed and the window it kept
// disabled is enabled again: a box merely hidden still runs its own message loop, which would swallow
// the next key meant for the program.
inline bool dismiss(HWND box, int timeoutMs = kUiTimeoutMs) {
    HWND owner = ::GetWindow(box, GW_OWNER);
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    const bool gone =
        pumpUntil([&] { return !::IsWindow(box) && (!::IsWindow(owner) || ::IsWindowEnabled(owner)); }, timeoutMs);
    // Under Wine a key sent at once is now and then lost (1 in some 500), even with the focus back in
    // the window: the window manager's focus changes for the closed box come later, and nothing the
    // driver can see tells when they are over.
    pump(10);
    return gone;
}

// The program's About dialog once it is visible; nullptr after the timeout.
inline HWND waitForAbout(DWORD pid, int timeoutMs = kUiTimeoutMs) {
    HWND about = nullptr;
    pumpUntil(
        [&] {
            auto v = topWindows(pid, L"TAboutForm", L"About this program");
            about = v.empty() ? nullptr : v.front();
            return about != nullptr;
        },
        timeoutMs);
    return about;
}

// Waits until the text of a window satisfies pred; returns the last text read.
template <class Pred>
std::wstring waitForText(HWND h, Pred pred, int timeoutMs = kUiTimeoutMs) {
    std::wstring last;
    pumpUntil(
        [&] {
            last = textOf(h);
            return pred(last);
        },
        timeoutMs);
    return last;
}

inline std::wstring waitForTextEqual(HWND h, std::wstring_view expected, int timeoutMs = kUiTimeoutMs) {
    return waitForText(h, [&](const std::wstring& t) { return t == expected; }, timeoutMs);
}

// ----- input -----

inline void sendInputs(std::vector<INPUT> inputs) {
    if (!inputs.empty()) ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

inline INPUT keyInput(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN || vk == VK_RCONTROL)
        in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    return in;
}

// One key press with modifiers held around it, e.g. sendKey('C', {VK_CONTROL}).
inline void sendKey(WORD vk, std::initializer_list<WORD> modifiers = {}) {
    std::vector<INPUT> in;
    for (WORD m : modifiers) in.push_back(keyInput(m, false));
    in.push_back(keyInput(vk, false));
    in.push_back(keyInput(vk, true));
    for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it) in.push_back(keyInput(*it, true));
    sendInputs(std::move(in));
}

// Makes the program's window the foreground window, where keys go.
inline bool bringToFront(HWND w, int timeoutMs = kUiTimeoutMs) {
    auto front = [w] { return ::GetForegroundWindow() == w; };
    if (front()) return true;
    ::SetForegroundWindow(w);
    if (pumpUntil(front, 500)) return true;
    // Windows refuses foreground changes asked for by a background process; a tap of Alt lifts that lock.
    sendInputs({keyInput(VK_MENU, false), keyInput(VK_MENU, true)});
    ::SetForegroundWindow(w);
    return pumpUntil(front, timeoutMs);
}

// Presses and releases the left button there, clicks times in one go: two make a double-click.
inline void clickAt(POINT p, int clicks = 1) {
    movePointer(p);
    std::vector<INPUT> in;
    for (int i = 0; i < clicks; ++i)
        for (DWORD flag : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) {
            INPUT button{};
            button.type = INPUT_MOUSE;
            button.mi.dwFlags = flag;
            in.push_back(button);
        }
    sendInputs(std::move(in));
}

// Wheel notches at the pointer: positive turns away from the user (zoom in), negative towards.
inline void sendWheel(int notches) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_WHEEL;
    in.mi.mouseData = static_cast<DWORD>(notches * WHEEL_DELTA);
    ::SendInput(1, &in, sizeof(INPUT));
}

// ----- the screen -----

inline SIZE screenSize() { return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}; }

// Where the tests put their screen patterns and the pointer: well inside the right part of the screen.
inline POINT patternSpot() {
    const SIZE s = screenSize();
    return {s.cx * 3 / 4, s.cy * 2 / 3};
}

inline RECT around(POINT p, int halfWidth, int halfHeight) {
    return {p.x - halfWidth, p.y - halfHeight, p.x + halfWidth, p.y + halfHeight};
}

// Moves the program's window out of the way of a pattern, so the pattern shows nothing of it.
inline void keepClearOf(HWND w, RECT pattern) {
    RECT win = windowRect(w), overlap{};
    if (::IntersectRect(&overlap, &win, &pattern))
        ::SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    pumpUntil(
        [&] {
            RECT now = windowRect(w), o{};
            return !::IntersectRect(&o, &now, &pattern);
        },
        2000);
}

// A colour of its own for every pixel of an area (a monitor, a pattern), from its offset to the area's
// corner: red and green the low bytes of dx and dy, blue their high bits.
inline COLORREF codeAt(int dx, int dy) {
    return RGB(dx & 0xFF, dy & 0xFF, ((dx >> 8) & 0x0F) | (((dy >> 8) & 0x0F) << 4));
}

inline void paintCodes(HDC dc, int w, int h) { testing_support::paintColours(dc, w, h, codeAt); }

inline std::wstring rgbText(COLORREF c) {
    return L"RGB: " + std::to_wstring(GetRValue(c)) + L"," + std::to_wstring(GetGValue(c)) + L"," +
           std::to_wstring(GetBValue(c));
}

// ----- clipboard -----

// After the driver put something on the clipboard: waits until the program has replaced it. Only
// looks, never opens the clipboard, so it cannot make the program's own open fail.
inline bool waitForClipboardFrom(DWORD pid, DWORD sequenceBefore, int timeoutMs = kUiTimeoutMs) {
    return pumpUntil(
        [&] {
            const DWORD seq = ::GetClipboardSequenceNumber();
            return clipboardOwnerProcess() == pid && (seq == 0 || seq != sequenceBefore);
        },
        timeoutMs);
}

// ----- resources of the program -----

inline std::size_t privateBytesOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        return 0;
    // Wine leaves PrivateUsage at 0; PagefileUsage is the same commit charge there and on Windows.
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

// ----- the common test fixture -----

// Each test runs against a freshly started program with no stored settings, and never leaves the
// program or its settings behind.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { clearSettings(); }
    void TearDown() override {
        patterns_.clear();
        app.kill();
        clearSettings();
    }

    // Starts the program and waits until its window is visible, in front, and shows a capture.
    HWND start(const std::wstring& exe = ocellusPath()) {
        if (!app.launch(exe)) {
            ADD_FAILURE() << "cannot start " << narrow(exe);
            return nullptr;
        }
        HWND w = app.waitForWindow();
        if (!w) {
            ADD_FAILURE() << "no main window within " << kStartTimeoutMs << " ms";
            return nullptr;
        }
        if (!bringToFront(w)) ADD_FAILURE() << "the main window does not come to the foreground";
        waitForText(app.readoutLabel(), [](const std::wstring& t) { return !t.empty(); });
        return w;
    }

    // Puts a pattern around the pattern spot, clear of the program's window, with the pointer on
    // the spot. Patterns stack, the latest on top, and live until the test ends.
    POINT showPattern(std::function<void(HDC, int, int)> paint, int halfWidth = 200, int halfHeight = 150) {
        const POINT spot = patternSpot();
        const RECT where = around(spot, halfWidth, halfHeight);
        if (app.window()) keepClearOf(app.window(), where);
        patterns_.push_back(std::make_unique<ScreenPattern>(where, std::move(paint)));
        movePointer(spot);
        return spot;
    }
    POINT showColour(COLORREF c) { return showPattern(ScreenPattern::solid(c)); }

    // Sends Ctrl+key after putting a sentinel on the clipboard; true once the program replaced it.
    bool copyWith(WORD key) {
        if (!putClipboardText(L"e2e sentinel")) {
            ADD_FAILURE() << "the driver cannot write the clipboard";
            return false;
        }
        const DWORD seq = ::GetClipboardSequenceNumber();
        bringToFront(app.window());
        sendKey(key, {VK_CONTROL});
        return waitForClipboardFrom(app.pid(), seq);
    }

    std::optional<Picture> copyPicture(WORD key) {
        if (!copyWith(key)) return std::nullopt;
        return clipboardPicture();
    }

    // The size of the screen area the picture enlarges, from the program's unmagnified copy.
    std::optional<SIZE> unmagnifiedArea() {
        auto pic = copyPicture('U');
        if (!pic) return std::nullopt;
        return SIZE{pic->width, pic->height};
    }

    // Copies the magnified picture until pred holds (the next captures show a change) or time runs out.
    template <class Pred>
    std::optional<Picture> pictureWhen(Pred pred, int timeoutMs = kUiTimeoutMs) {
        std::optional<Picture> pic;
        pumpUntil(
            [&] {
                pic = copyPicture('C');
                return pic && pred(*pic);
            },
            timeoutMs);
        return pic;
    }

    Ocellus app;

private:
    std::vector<std::unique_ptr<ScreenPattern>> patterns_;
};

}  // namespace e2e
