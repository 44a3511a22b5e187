// Reading the clipboard's picture back, for the in-process and the end-to-end tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
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
    BITMAPINFO bi = topDown32(pic.width, pic.height);
    const win32::WindowDc dc(nullptr, ::GetDC(nullptr));
    if (::GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(pic.height), raw.data(), &bi, DIB_RGB_COLORS) != pic.height)
        return std::nullopt;
    pic.pixels.reserve(raw.size());
    for (std::uint32_t v : raw) pic.pixels.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    return pic;
}

}  // namespace testing_support
