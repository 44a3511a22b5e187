// Owning wrappers for Win32 and GDI+ handles: every handle the program makes is released on every path.
#pragma once

#include <windows.h>

#include <utility>

namespace forms {

// A move-only owner of a handle, released with Traits::close.
template <class Traits>
class UniqueHandle {
public:
    using handle_type = typename Traits::handle_type;
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(handle_type h) noexcept : h_(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, handle_type{})) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, handle_type{}));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    handle_type get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != handle_type{}; }
    handle_type release() noexcept { return std::exchange(h_, handle_type{}); }
    void reset(handle_type h = handle_type{}) noexcept {
        if (h_ != handle_type{}) Traits::close(h_);
        h_ = h;
    }

private:
    handle_type h_{};
};

template <class H>
struct GdiObjectTraits {
    using handle_type = H;
    static void close(H h) noexcept { ::DeleteObject(h); }
};
using BitmapHandle = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using RegionHandle = UniqueHandle<GdiObjectTraits<HRGN>>;
using FontHandle = UniqueHandle<GdiObjectTraits<HFONT>>;
using BrushHandle = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using PaletteHandle = UniqueHandle<GdiObjectTraits<HPALETTE>>;

struct MemoryDcTraits {
    using handle_type = HDC;
    static void close(HDC h) noexcept { ::DeleteDC(h); }
};
using MemoryDc = UniqueHandle<MemoryDcTraits>;

struct RegKeyTraits {
    using handle_type = HKEY;
    static void close(HKEY h) noexcept { ::RegCloseKey(h); }
};
using RegKey = UniqueHandle<RegKeyTraits>;

struct GlobalTraits {
    using handle_type = HGLOBAL;
    static void close(HGLOBAL h) noexcept { ::GlobalFree(h); }
};
using GlobalMemory = UniqueHandle<GlobalTraits>;

struct WindowTraits {
    using handle_type = HWND;
    static void close(HWND h) noexcept { ::DestroyWindow(h); }
};
using WindowHandle = UniqueHandle<WindowTraits>;

// A device context obtained with GetDC/GetWindowDC, released to the window it came from.
class WindowDc {
public:
    WindowDc() noexcept = default;
    WindowDc(HWND wnd, HDC dc) noexcept : wnd_(wnd), dc_(dc) {}
    static WindowDc ofWindow(HWND wnd) noexcept { return {wnd, ::GetWindowDC(wnd)}; }
    static WindowDc ofClient(HWND wnd) noexcept { return {wnd, ::GetDC(wnd)}; }
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

}  // namespace forms
