// A minimised window's restored rectangle, in screen coordinates (its placement is in work-area ones).
#pragma once

#include <windows.h>

namespace win32 {

RECT restoredRect(HWND window);
void setRestoredRect(HWND window, RECT r);

}  // namespace win32
