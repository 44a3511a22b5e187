// Functions of system DLLs bound at run time, for calls newer than the oldest Windows the program
// starts on, or in DLLs that may not be the version that has them.
#pragma once

#include <windows.h>

namespace win32 {

// Null where the module is null or lacks the function.
template <class F>
F moduleFunction(HMODULE module, const char* name) {
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

// From a DLL this process has loaded already (kernel32, ntdll, or one the program has used).
template <class F>
F loadedFunction(const wchar_t* module, const char* name) {
    return moduleFunction<F>(::GetModuleHandleW(module), name);
}

// user32 is delay-loaded, so it may not be loaded yet; it is a known DLL, so loading it by name always
// takes the system's own.
template <class F>
F user32Function(const char* name) {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    if (!user32) user32 = ::LoadLibraryW(L"user32.dll");
    return moduleFunction<F>(user32, name);
}

}  // namespace win32
