#include "win32/tooltip.h"

#include <commctrl.h>

namespace win32 {

bool Tooltip::ensure(bool active) {
    if (window_) return true;
    // Unowned: Wine cannot move a shown window that owns a popup into the topmost band, which would
    // break Stay on top. Whoever holds the tooltip destroys it.
    window_.reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr));
    if (!window_) return false;
    ::SendMessageW(window_.get(), TTM_ACTIVATE, active, 0);
    return true;
}

void Tooltip::setText(HWND window, HWND tool, const wchar_t* text) {
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = window;
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.lpszText = const_cast<wchar_t*>(text);
    TOOLINFOW existing = ti;
    existing.lpszText = nullptr;
    const bool known = ::SendMessageW(window_.get(), TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&existing));
    ::SendMessageW(window_.get(), known ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

}  // namespace win32
