// Helpers shared by the Win32 test programs (in-process tests and the end-to-end driver).
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <winternl.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "win32/handles.h"
#include "system_lookup.h"

namespace testing_support {

// Live GDI objects of a process. Windows answers GetGuiResources; Wine reports 0 there, so
// its per-process handle table (the PEB's GdiSharedHandleTable: 65,536 entries of 24 bytes, a
// non-zero type byte at +14 marks a live object) is read from the program's memory instead.
inline std::optional<int> gdiObjectsOf(HANDLE process) {
    if (DWORD n = ::GetGuiResources(process, GR_GDIOBJECTS)) return static_cast<int>(n);
    using QueryFn = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = testing_support::loadedFunction<QueryFn>(L"ntdll.dll", "NtQueryInformationProcess");
    if (!query) return std::nullopt;
    PROCESS_BASIC_INFORMATION info{};
    if (query(process, ProcessBasicInformation, &info, sizeof info, nullptr) != 0 || !info.PebBaseAddress)
        return std::nullopt;
    // The table's address sits at a different place in the 32-bit and the 64-bit process block.
    constexpr std::size_t kTableField = sizeof(void*) == 4 ? 0x94 : 0xF8;
    std::uintptr_t table = 0;
    SIZE_T got = 0;
    if (!::ReadProcessMemory(process, reinterpret_cast<std::uint8_t*>(info.PebBaseAddress) + kTableField, &table,
                             sizeof table, &got) ||
        got != sizeof table || table == 0)
        return std::nullopt;
    constexpr std::size_t kEntries = 65536, kEntrySize = 24;
    std::vector<std::uint8_t> entries(kEntries * kEntrySize);
    if (!::ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(), entries.size(), &got) ||
        got != entries.size())
        return std::nullopt;
    int n = 0;
    for (std::size_t i = 0; i < kEntries; ++i)
        if (entries[i * kEntrySize + 14] != 0) ++n;
    return n;
}

// This process's live GDI objects; a count that cannot be read fails the test, so that a leak check
// never compares nothing with nothing.
inline int gdiObjectCount() {
    const std::optional<int> n = gdiObjectsOf(::GetCurrentProcess());
    if (!n) ADD_FAILURE() << "the GDI object count of this process cannot be read";
    return n.value_or(0);
}

inline BOOL CALLBACK countWindow(HWND, LPARAM lp) {
    ++*reinterpret_cast<int*>(lp);
    return TRUE;
}

inline BOOL CALLBACK countWindowAndChildren(HWND hwnd, LPARAM lp) {
    ++*reinterpret_cast<int*>(lp);
    ::EnumChildWindows(hwnd, countWindow, lp);
    return TRUE;
}

// Live USER objects of this process. Wine's GetGuiResources reports 0 here too; the windows of this
// thread (top-level and child) stand in, the USER objects a window program makes and could leak.
inline int userObjectCount() {
    if (DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS)) return static_cast<int>(n);
    int windows = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), countWindowAndChildren, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// Dispatches waiting messages for about ms milliseconds.
inline void pump(int ms = 0) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (ms > 0) ::Sleep(1);
    } while (std::chrono::steady_clock::now() < end);
}

// Pumps until pred() holds or timeoutMs passes; returns pred().
inline bool pumpUntil(const std::function<bool()>& pred, int timeoutMs = 3000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return pred();
        pump(5);
    }
    return true;
}

// Puts the pointer at p and waits until the system reports it there.
inline void movePointer(POINT p) {
    ::SetCursorPos(p.x, p.y);
    POINT at{};
    if (!pumpUntil([&] { return ::GetCursorPos(&at) && at.x == p.x && at.y == p.y; }))
        ADD_FAILURE() << "the pointer did not reach " << p.x << ", " << p.y << "; it is at " << at.x << ", " << at.y;
}

// ----- steps run from thread timers, i.e. inside whatever modal loop is running by then -----

inline std::map<UINT_PTR, std::function<void()>>& pendingSteps() {
    static std::map<UINT_PTR, std::function<void()>> steps;
    return steps;
}

inline void CALLBACK runStep(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    auto it = pendingSteps().find(id);
    if (it == pendingSteps().end()) return;
    auto step = std::move(it->second);
    pendingSteps().erase(it);
    step();
}

inline UINT_PTR later(unsigned ms, std::function<void()> step) {
    const UINT_PTR id = ::SetTimer(nullptr, 0, ms, runStep);
    pendingSteps()[id] = std::move(step);
    return id;
}

struct StepsCleanup {
    ~StepsCleanup() {
        for (auto& entry : pendingSteps()) ::KillTimer(nullptr, entry.first);
        pendingSteps().clear();
    }
};

// Mixed into a test's class: each object gets pages of its own, unmapped when it is deleted, so that
// any use of a deleted object faults at once instead of quietly reading freed memory.
struct FaultOnUseAfterDelete {
    static void* operator new(std::size_t size) {
        void* p = ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (!p) throw std::bad_alloc();
        return p;
    }
    static void operator delete(void* p) noexcept { ::VirtualFree(p, 0, MEM_RELEASE); }
};

// Header of a top-down 32-bit DIB: one unpadded row per line, 0x00RRGGBB per pixel.
inline BITMAPINFO topDown32(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// Paints pixel(x, y) (0x00RRGGBB) over a w x h area of dc in one call.
inline void paintPixels(HDC dc, int w, int h, const std::function<std::uint32_t(int, int)>& pixel) {
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) rows[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + x] = pixel(x, y);
    const BITMAPINFO info = topDown32(w, h);
    ::SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0, static_cast<UINT>(h),
                        rows.data(), &info, DIB_RGB_COLORS);
}

// The same with colour(x, y) a GDI colour.
inline void paintColours(HDC dc, int w, int h, const std::function<COLORREF(int, int)>& colour) {
    paintPixels(dc, w, h, [&](int x, int y) {
        const COLORREF c = colour(x, y);
        return static_cast<std::uint32_t>(GetBValue(c) | (GetGValue(c) << 8) | (GetRValue(c) << 16));
    });
}

// Reads a screen pixel as a GDI colour.
inline COLORREF screenPixel(int x, int y) {
    const win32::WindowDc dc(nullptr, ::GetDC(nullptr));
    return ::GetPixel(dc.get(), x, y);
}

// A borderless topmost window painted with a pattern, standing in for "something on the screen".
class ScreenPattern {
public:
    // paint(dc, width, height) draws the pattern in window coordinates.
    ScreenPattern(RECT where, std::function<void(HDC, int, int)> paint);
    ~ScreenPattern();
    ScreenPattern(const ScreenPattern&) = delete;
    ScreenPattern& operator=(const ScreenPattern&) = delete;
    HWND handle() const { return hwnd_; }
    // A window filled with one colour.
    static std::function<void(HDC, int, int)> solid(COLORREF c);
    // Left of the middle column one colour, from it on another.
    static std::function<void(HDC, int, int)> halves(COLORREF left, COLORREF right);

private:
    static void fill(HDC dc, RECT r, COLORREF c);
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);
    void waitUntilShown() const;
    HWND hwnd_ = nullptr;
    std::function<void(HDC, int, int)> paint_;
};

inline void ScreenPattern::fill(HDC dc, RECT r, COLORREF c) {
    HBRUSH b = ::CreateSolidBrush(c);
    ::FillRect(dc, &r, b);
    ::DeleteObject(b);
}

inline std::function<void(HDC, int, int)> ScreenPattern::solid(COLORREF c) {
    return [c](HDC dc, int w, int h) { fill(dc, {0, 0, w, h}, c); };
}

inline std::function<void(HDC, int, int)> ScreenPattern::halves(COLORREF left, COLORREF right) {
    return [left, right](HDC dc, int w, int h) {
        fill(dc, {0, 0, w / 2, h}, left);
        fill(dc, {w / 2, 0, w, h}, right);
    };
}

inline LRESULT CALLBACK ScreenPattern::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<ScreenPattern*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_PAINT && self) {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        RECT rc;
        ::GetClientRect(hwnd, &rc);
        self->paint_(dc, rc.right, rc.bottom);
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

inline ScreenPattern::ScreenPattern(RECT where, std::function<void(HDC, int, int)> paint) : paint_(std::move(paint)) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OcellusTestPattern";
    ::RegisterClassW(&wc);
    hwnd_ = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName, L"", WS_POPUP,
                              where.left, where.top, where.right - where.left, where.bottom - where.top, nullptr,
                              nullptr, wc.hInstance, nullptr);
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    ::UpdateWindow(hwnd_);
    ::GdiFlush();
    waitUntilShown();
}

// Waits until the screen shows the pattern at the window's corners and centre (those on a monitor),
// compared with the pattern drawn off screen in the screen's own format.
inline void ScreenPattern::waitUntilShown() const {
    RECT rc{};
    ::GetClientRect(hwnd_, &rc);
    const int w = rc.right, h = rc.bottom;
    struct Sample {
        POINT at;
        COLORREF want;
    };
    std::vector<Sample> samples;
    {
        const win32::WindowDc screen(nullptr, ::GetDC(nullptr));
        const win32::MemoryDc drawn(::CreateCompatibleDC(screen.get()));
        const win32::BitmapHandle bitmap(::CreateCompatibleBitmap(screen.get(), w, h));
        const win32::SelectObjectScope select(drawn.get(), bitmap.get());
        paint_(drawn.get(), w, h);
        for (POINT p : {POINT{0, 0}, POINT{w - 1, 0}, POINT{0, h - 1}, POINT{w - 1, h - 1}, POINT{w / 2, h / 2}}) {
            const COLORREF want = ::GetPixel(drawn.get(), p.x, p.y);
            ::ClientToScreen(hwnd_, &p);
            if (::MonitorFromPoint(p, MONITOR_DEFAULTTONULL)) samples.push_back({p, want});
        }
    }
    const bool shown = pumpUntil([&] {
        for (const Sample& s : samples)
            if (screenPixel(s.at.x, s.at.y) != s.want) return false;
        return true;
    });
    if (!shown) ADD_FAILURE() << "the test pattern did not show on the screen";
}

inline ScreenPattern::~ScreenPattern() {
    if (hwnd_) ::DestroyWindow(hwnd_);
    pump(20);
}

inline std::wstring windowText(HWND h) {
    wchar_t buf[512] = {};
    ::GetWindowTextW(h, buf, 512);
    return buf;
}

}  // namespace testing_support
