#include "win32/placement.h"

namespace win32 {
namespace {

// What to add to a placement rectangle to get screen coordinates.
POINT workAreaOffset(const RECT& r) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (!::GetMonitorInfoW(::MonitorFromRect(&r, MONITOR_DEFAULTTOPRIMARY), &mi)) return {0, 0};
    return {mi.rcWork.left - mi.rcMonitor.left, mi.rcWork.top - mi.rcMonitor.top};
}

}  // namespace

RECT restoredRect(HWND window) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    RECT r{};
    if (!::GetWindowPlacement(window, &wp)) {
        ::GetWindowRect(window, &r);
        return r;
    }
    r = wp.rcNormalPosition;
    const POINT offset = workAreaOffset(r);
    ::OffsetRect(&r, offset.x, offset.y);
    return r;
}

void setRestoredRect(HWND window, RECT r) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    ::GetWindowPlacement(window, &wp);
    const POINT offset = workAreaOffset(r);
    ::OffsetRect(&r, -offset.x, -offset.y);
    wp.rcNormalPosition = r;
    ::SetWindowPlacement(window, &wp);
}

}  // namespace win32
