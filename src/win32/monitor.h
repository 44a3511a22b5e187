// Monitor rectangles for the rules that once measured the primary display.
#pragma once

#include <windows.h>

#include <optional>

namespace win32 {

// The primary display: its origin is the screen's, its size the one the system metrics report.
RECT primaryDisplayRect();

// A monitor's full rectangle, in the calling thread's coordinates. The primary display stands in
// for a monitor the system cannot describe (none, or one unplugged meanwhile), which is the
// single-screen answer.
RECT monitorRect(HMONITOR monitor);

// The monitor layout in physical pixels, as the desktop DC reads the screen: read once and kept until
// monitorsChanged(). Each capture asks which monitor holds the pointer, about a layout that changes a
// few times a day; under Wine asking the system costs as much as the screen read itself. When the
// system describes no monitor, the primary display is the one, and the next question asks again.

// The monitor that holds p, or the nearest one when p lies between monitors.
RECT monitorNearest(POINT p);
// The monitor r meets most; none when r meets no monitor.
std::optional<RECT> monitorMeeting(const RECT& r);
// The system said the layout changed (a display change, a work area or a density changed).
void monitorsChanged() noexcept;

}  // namespace win32
