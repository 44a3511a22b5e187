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

#include "clipboard_picture.h"
#include "win_support.h"

namespace e2e {

using testing_support::clipboardPicture;
using testing_support::ClipboardLock;
using testing_support::differenceOf;
using testing_support::Picture;
using testing_support::screenPicture;

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
