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

// The density of the monitor a window is on where the system tells (Windows 10 1607 on), else the
// screen's, which is the only one the system scales the program for there.
int windowPixelsPerInch(HWND window);

// The window rectangle around a client rectangle at a density: the frame is measured with that
// density's metrics where the system has them, not the main monitor's.
RECT windowRectForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int pixelsPerInch);

}  // namespace win32
