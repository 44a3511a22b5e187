// A user32 function bound at run time, for calls newer than the oldest Windows the program starts on.
#pragma once

#include <windows.h>

namespace win32 {

// user32 is delay-loaded, so it may not be loaded yet; it is a known DLL, so loading it by name always
// takes the system's own. Null where the system lacks the function.
template <class F>
F user32Function(const char* name) {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    if (!user32) user32 = ::LoadLibraryW(L"user32.dll");
    return user32 ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

}  // namespace win32
