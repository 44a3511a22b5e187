// Owning wrappers for Win32 and GDI+ handles: every handle the program makes is released on every path.
#pragma once

#include <windows.h>

#include <utility>

namespace win32 {

// A move-only owner of a handle of type H, released with Close (DeleteObject, RegCloseKey...).
template <class H, auto Close>
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(H h) noexcept : h_(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, H{})) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, H{}));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    H get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != H{}; }
    H release() noexcept { return std::exchange(h_, H{}); }
    void reset(H h = H{}) noexcept {
        if (h_ != H{}) Close(h_);
        h_ = h;
    }

private:
    H h_{};
};

using BitmapHandle = UniqueHandle<HBITMAP, ::DeleteObject>;
using RegionHandle = UniqueHandle<HRGN, ::DeleteObject>;
using FontHandle = UniqueHandle<HFONT, ::DeleteObject>;
using BrushHandle = UniqueHandle<HBRUSH, ::DeleteObject>;
using MemoryDc = UniqueHandle<HDC, ::DeleteDC>;
using RegKey = UniqueHandle<HKEY, ::RegCloseKey>;
using GlobalMemory = UniqueHandle<HGLOBAL, ::GlobalFree>;
using WindowHandle = UniqueHandle<HWND, ::DestroyWindow>;
using ModuleHandle = UniqueHandle<HMODULE, ::FreeLibrary>;

// A device context obtained with GetDC/GetWindowDC, released to the window it came from.
class WindowDc {
public:
    WindowDc() noexcept = default;
    WindowDc(HWND wnd, HDC dc) noexcept : wnd_(wnd), dc_(dc) {}
    static WindowDc ofWindow(HWND wnd) noexcept { return {wnd, ::GetWindowDC(wnd)}; }
    WindowDc(WindowDc&& o) noexcept : wnd_(o.wnd_), dc_(std::exchange(o.dc_, nullptr)) {}
    WindowDc& operator=(WindowDc&& o) noexcept {
        if (this != &o) { reset(); wnd_ = o.wnd_; dc_ = std::exchange(o.dc_, nullptr); }
        return *this;
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() { reset(); }
    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }
    void reset() noexcept {
        if (dc_) ::ReleaseDC(wnd_, dc_);
        dc_ = nullptr;
    }

private:
    HWND wnd_ = nullptr;
    HDC dc_ = nullptr;
};

// Selects an object into a DC for one scope and puts the previous one back.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(::SelectObject(dc, obj)) {}
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;
    ~SelectObjectScope() {
        if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// One clipboard transaction: open on construction, closed on every path.
class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner) noexcept : open_(::OpenClipboard(owner) != FALSE) {}
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    ~ClipboardSession() {
        if (open_) ::CloseClipboard();
    }
    bool isOpen() const noexcept { return open_; }

private:
    bool open_;
};

}  // namespace win32
