// Monitor rectangles for the rules that once measured the primary display.
#pragma once

#include <windows.h>

namespace win32 {

// The primary display: its origin is the screen's, its size the one the system metrics report.
RECT primaryDisplayRect();

// A monitor's full rectangle, in the calling thread's coordinates. The primary display stands in
// for a monitor the system cannot describe (none, or one unplugged meanwhile), which is the
// single-screen answer.
RECT monitorRect(HMONITOR monitor);

// The monitor that holds p, or the nearest one when p lies between monitors.
inline RECT monitorRectAt(POINT p) { return monitorRect(::MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST)); }

}  // namespace win32
