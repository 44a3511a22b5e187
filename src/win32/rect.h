// The rules' rectangle from the system's.
#pragma once

#include <windows.h>

#include "base/rect.h"

namespace win32 {

inline ocellus::IntRect toIntRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace win32
