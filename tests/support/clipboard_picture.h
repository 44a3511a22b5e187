// Reading the clipboard's picture back, and the screen's, for the in-process and the end-to-end tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "win32/handles.h"
#include "win_support.h"

namespace testing_support {

// Opens the clipboard for the test, retrying while somebody else has it open.
class ClipboardLock {
public:
    explicit ClipboardLock(int timeoutMs = 2000) {
        pumpUntil([&] { return (open_ = ::OpenClipboard(nullptr) != FALSE); }, timeoutMs);
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

// A picture read back from a bitmap, as GDI colours, top row first.
struct Picture {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

inline std::optional<Picture> pictureOf(HBITMAP bitmap) {
    BITMAP info{};
    if (!::GetObjectW(bitmap, sizeof info, &info)) return std::nullopt;
    Picture pic;
    pic.width = info.bmWidth;
    pic.height = info.bmHeight;
    std::vector<std::uint32_t> raw(static_cast<std::size_t>(pic.width) * pic.height);
    BITMAPINFO bi = topDown32(pic.width, pic.height);
    const win32::WindowDc dc(nullptr, ::GetDC(nullptr));
    if (::GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(pic.height), raw.data(), &bi, DIB_RGB_COLORS) != pic.height)
        return std::nullopt;
    pic.pixels.reserve(raw.size());
    for (std::uint32_t v : raw) pic.pixels.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    return pic;
}

inline std::optional<Picture> clipboardPicture() {
    ClipboardLock lock;
    if (!lock.isOpen()) return std::nullopt;
    auto bitmap = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    return bitmap ? pictureOf(bitmap) : std::nullopt;
}

// What the screen shows in r, read from the desktop as any other program reads it.
inline std::optional<Picture> screenPicture(RECT r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    const win32::WindowDc screen(nullptr, ::GetDC(nullptr));
    const win32::MemoryDc copy(::CreateCompatibleDC(screen.get()));
    const win32::BitmapHandle bitmap(::CreateCompatibleBitmap(screen.get(), w, h));
    {
        const win32::SelectObjectScope select(copy.get(), bitmap.get());
        if (!::BitBlt(copy.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY)) return std::nullopt;
    }
    return pictureOf(bitmap.get());
}

// Empty when both pictures are there and the same; else what differs, for a failure message.
inline std::string differenceOf(const std::optional<Picture>& a, const std::optional<Picture>& b) {
    if (!a || !b) return "a picture is missing";
    if (a->width != b->width || a->height != b->height) return "the sizes differ";
    std::size_t wrong = 0, first = 0;
    for (std::size_t i = 0; i < a->pixels.size(); ++i)
        if (a->pixels[i] != b->pixels[i] && wrong++ == 0) first = i;
    if (!wrong) return {};
    char where[96];
    std::snprintf(where, sizeof where, "%lu pixels differ, the first at %d,%d: 0x%06lX against 0x%06lX",
                  static_cast<unsigned long>(wrong), static_cast<int>(first % a->width),
                  static_cast<int>(first / a->width), static_cast<unsigned long>(a->pixels[first]),
                  static_cast<unsigned long>(b->pixels[first]));
    return where;
}

}  // namespace testing_support
