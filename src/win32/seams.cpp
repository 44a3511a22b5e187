#include "win32/seams.h"

#include <commctrl.h>
#include <shellapi.h>

#include "win32/density.h"
#include "win32/systemfunction.h"

namespace win32 {
namespace {

bool realTaskDialog(HWND owner, const wchar_t* title, const wchar_t* instruction) {
    // Looked up at run time: comctl32 before version 6 has no task dialog.
    const auto fn = bound(sys::TaskDialogIndirect);
    if (!fn) return false;
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = owner;
    config.dwCommonButtons = TDCBF_OK_BUTTON;
    config.pszWindowTitle = title;
    config.pszMainInstruction = instruction;
    int button = 0;
    return SUCCEEDED(fn(&config, &button, nullptr, nullptr));
}

Seams makeDefaults() {
    Seams s;
    s.outputDebugString = [](const wchar_t* text) { ::OutputDebugStringW(text); };
    s.isDebuggerPresent = [] { return ::IsDebuggerPresent() != FALSE; };
    s.debugBreak = [] { ::DebugBreak(); };
    s.shellExecute = [](HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* params,
                        const wchar_t* dir, int show) {
        return ::ShellExecuteW(owner, verb, file, params, dir, show);
    };
    s.messageBox = [](HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
        return ::MessageBoxW(owner, text, caption, type);
    };
    s.taskDialog = realTaskDialog;
    s.pixelsPerInch = windowPixelsPerInch;
    return s;
}

}  // namespace

Seams& seams() {
    static Seams instance = makeDefaults();
    return instance;
}

void restoreDefaultSeams() { seams() = makeDefaults(); }

}  // namespace win32
