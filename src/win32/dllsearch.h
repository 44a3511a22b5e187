// Where the process loads DLLs from.
#pragma once

#include <vector>

#include "win32/handles.h"

namespace win32 {

// From construction on, DLLs named without a path come from the system folder only, never from the
// program's folder or the current one, where anybody who can write there could plant one. Construct it
// first thing: what is already loaded stays. Where the system lacks the restriction (Windows 7 without
// its update), the current folder is dropped from the search and every DLL the program loads, delay-loaded
// ones included, is loaded by full path (loadSystemDll).
class DllSearchRestriction {
public:
    DllSearchRestriction();

private:
    std::vector<ModuleHandle> preloaded_;
};

}  // namespace win32
