// A tooltip window showing the texts of a window's child windows.
#pragma once

#include <windows.h>

#include "win32/handles.h"

namespace win32 {

class Tooltip {
public:
    // Makes the tooltip window on first use; false when it cannot be made.
    bool ensure(bool active);
    // The text shown over tool, a child of window: added, or changed when tool has one already.
    void setText(HWND window, HWND tool, const wchar_t* text);
    void reset() noexcept { window_.reset(); }

private:
    WindowHandle window_;
};

}  // namespace win32
