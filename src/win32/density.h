// Pixel density: the process's awareness at start, a window's density, window frames for a density.
// Every call newer than Windows 7 is bound at run time, so the program still starts there.
#pragma once

#include <windows.h>

namespace win32 {

// Makes a process that turned out unaware system-aware. The manifest asks for per-monitor awareness
// (v2) first; a system that knows that name but refuses it, as Wine does, does not go on to the
// system fallback, and an unaware program would read a scaled screen through scaled coordinates.
// Call before the first window.
void ensurePixelDensityAwareness() noexcept;

// The density of the monitor a window is on where the system tells (the window's own from Windows 10
// 1607 on, its monitor's on 8.1 to 1511, where the process is per-monitor aware too), else the
// screen's, the only one Windows 7 scales the program for.
int windowPixelsPerInch(HWND window);

// The window rectangle around a client rectangle at a density: the frame is measured with that
// density's metrics where the system has them, not the main monitor's.
RECT windowRectForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int pixelsPerInch);

}  // namespace win32
