#include "win32/errortext.h"

#include <memory>

namespace win32 {

std::wstring systemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    // Freed on every path: building the text may throw.
    const std::unique_ptr<wchar_t, decltype(&::LocalFree)> held(buffer, &::LocalFree);
    return n && buffer ? std::wstring(buffer, n) : L"Error " + std::to_wstring(code);
}

}  // namespace win32
