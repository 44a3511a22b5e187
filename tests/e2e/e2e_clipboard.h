// The clipboard as the end-to-end driver uses it: reading and writing it, and holding it open the way a
// misbehaving program would. Every wait is bounded.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "win_support.h"

namespace e2e {

// Opens the clipboard for the driver, retrying while somebody else has it open.
class ClipboardLock {
public:
    explicit ClipboardLock(int timeoutMs = 2000) {
        testing_support::pumpUntil([&] { return (open_ = ::OpenClipboard(nullptr) != FALSE); }, timeoutMs);
    }
    ~ClipboardLock() {
        if (open_) ::CloseClipboard();
    }
    ClipboardLock(const ClipboardLock&) = delete;
    ClipboardLock& operator=(const ClipboardLock&) = delete;
    bool isOpen() const { return open_; }

private:
    bool open_ = false;
};

inline bool putClipboardText(std::wstring_view text) {
    ClipboardLock lock;
    if (!lock.isOpen()) return false;
    ::EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block) return false;
    if (void* p = ::GlobalLock(block)) {
        std::wstring s(text);
        std::memcpy(p, s.c_str(), bytes);
        ::GlobalUnlock(block);
    }
    if (!::SetClipboardData(CF_UNICODETEXT, block)) {
        ::GlobalFree(block);
        return false;
    }
    return true;
}

inline std::optional<std::wstring> clipboardText() {
    ClipboardLock lock;
    if (!lock.isOpen()) return std::nullopt;
    HANDLE h = ::GetClipboardData(CF_UNICODETEXT);
    if (!h) return std::nullopt;
    const auto* p = static_cast<const wchar_t*>(::GlobalLock(h));
    if (!p) return std::nullopt;
    const std::size_t cap = ::GlobalSize(h) / sizeof(wchar_t);
    std::size_t n = 0;
    while (n < cap && p[n]) ++n;
    std::wstring s(p, n);
    ::GlobalUnlock(h);
    return s;
}

// A picture taken from the clipboard's CF_BITMAP, as GDI colours, top row first.
struct Picture {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

inline std::optional<Picture> clipboardPicture() {
    ClipboardLock lock;
    if (!lock.isOpen()) return std::nullopt;
    auto bitmap = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    if (!bitmap) return std::nullopt;
    BITMAP info{};
    if (!::GetObjectW(bitmap, sizeof info, &info)) return std::nullopt;
    Picture pic;
    pic.width = info.bmWidth;
    pic.height = info.bmHeight;
    std::vector<std::uint32_t> raw(static_cast<std::size_t>(pic.width) * pic.height);
    BITMAPINFO bi = testing_support::topDown32(pic.width, pic.height);
    HDC dc = ::GetDC(nullptr);
    const int rows = ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(pic.height), raw.data(), &bi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, dc);
    if (rows != pic.height) return std::nullopt;
    pic.pixels.reserve(raw.size());
    for (std::uint32_t v : raw) pic.pixels.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    return pic;
}

inline DWORD clipboardOwnerProcess() {
    DWORD pid = 0;
    if (HWND owner = ::GetClipboardOwner()) ::GetWindowThreadProcessId(owner, &pid);
    return pid;
}

// Holds the clipboard open from a thread of the driver until destroyed, as a misbehaving
// program would.
class ClipboardHolder {
public:
    ClipboardHolder() {
        thread_ = std::thread([this] {
            opened_ = testing_support::pumpUntil([] { return ::OpenClipboard(nullptr) != FALSE; }, 3000);
            ready_ = true;
            while (!stop_) ::Sleep(5);
            if (opened_) ::CloseClipboard();
        });
        testing_support::pumpUntil([&] { return ready_.load(); }, 5000);
    }
    ~ClipboardHolder() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;
    bool holding() const { return opened_; }

private:
    std::thread thread_;
    std::atomic<bool> ready_{false}, stop_{false}, opened_{false};
};

}  // namespace e2e
