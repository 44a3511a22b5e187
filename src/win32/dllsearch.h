// Where the process loads DLLs from.
#pragma once

#include "win32/handles.h"

namespace win32 {

// From construction on, DLLs named without a path come from the system folder only, never from the
// program's folder or the current one, where anybody who can write there could plant one. Construct it
// first thing: what is already loaded stays. Where the system lacks the restriction (Windows 7 without
// its update), only the current folder is dropped from the search.
class DllSearchRestriction {
public:
    DllSearchRestriction();

private:
    ModuleHandle msimg32_;
};

}  // namespace win32
