// The tests' own look-ups of system functions: the real ones, whatever Windows the program's table is
// told to be, so that a test reads what the system really did.
#pragma once

#include <windows.h>

namespace testing_support {

template <class F>
F loadedFunction(const wchar_t* module, const char* name) {
    HMODULE m = ::GetModuleHandleW(module);
    return m ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(m, name))) : nullptr;
}

template <class F>
F user32Function(const char* name) {
    if (!::GetModuleHandleW(L"user32.dll")) ::LoadLibraryW(L"user32.dll");
    return loadedFunction<F>(L"user32.dll", name);
}

}  // namespace testing_support
