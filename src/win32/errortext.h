// The system's text for an error code.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// As FormatMessageW gives it (line break included), or "Error <code>" when it has none.
std::wstring systemErrorText(DWORD code);

}  // namespace win32
