// The paint protocol of windows that draw themselves.
#pragma once

#include <windows.h>

namespace win32 {

// For windows that paint their whole area: no separate background erase, and WM_PAINT goes to
// paint(dc). False for every other message.
template <class Paint>
bool paintWholeWindow(HWND hwnd, UINT msg, LRESULT& result, Paint paint) {
    if (msg == WM_ERASEBKGND) {
        result = 1;
        return true;
    }
    if (msg != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd, &ps);
    paint(dc);
    ::EndPaint(hwnd, &ps);
    return true;
}

// A child moved from `before` to `after` without a redraw: what it no longer covers is left for the
// parent's next paint, and its siblings' there; a repaint of both whole areas would cost the parent a
// paint at every move.
void invalidateUncovered(HWND parent, const RECT& before, const RECT& after);

}  // namespace win32
