#include "win32/monitor.h"

namespace win32 {

RECT primaryDisplayRect() { return {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}; }

RECT monitorRect(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (monitor && ::GetMonitorInfoW(monitor, &info)) return info.rcMonitor;
    return primaryDisplayRect();
}

}  // namespace win32
