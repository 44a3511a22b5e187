// Window classes of this module.
#pragma once

#include <windows.h>

namespace win32 {

// Registers the class once: a name registered already keeps its first registration. A decorated
// class takes double-clicks, the arrow cursor and the program's icon.
void registerWindowClass(const wchar_t* name, WNDPROC proc, bool decorated, HBRUSH background = nullptr);

}  // namespace win32
