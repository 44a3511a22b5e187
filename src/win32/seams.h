// The few calls into the outside world that tests must observe. Each defaults to the real Win32 call.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace win32 {

struct Seams {
    std::function<void(const wchar_t* text)> outputDebugString;
    std::function<bool()> isDebuggerPresent;
    std::function<void()> debugBreak;
    std::function<HINSTANCE(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* params,
                            const wchar_t* dir, int show)>
        shellExecute;
    std::function<int(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)> messageBox;
    // Shows a task dialog with an OK button; returns false when the system offers none.
    std::function<bool(HWND owner, const wchar_t* title, const wchar_t* instruction)> taskDialog;
    // A window's pixel density (its monitor's where the system tells, else the screen's).
    std::function<int(HWND window)> pixelsPerInch;
};

// The process-wide seams; tests replace members and call restoreDefaultSeams() afterwards.
Seams& seams();
void restoreDefaultSeams();

}  // namespace win32
