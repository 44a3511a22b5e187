// Program entry: the DLL search restricted, GDI+ for the whole run, the application object, the main
// window, the message loop.
#include <windows.h>

#include <commctrl.h>

#include "app/mag.h"
#include "forms/application.h"
#include "win32/comapartment.h"
#include "win32/density.h"
#include "win32/dllsearch.h"
#include "win32/gdiplus.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before any system DLL but kernel32 and the C runtime is loaded (the others are delay-loaded, and no
    // global object calls into them): each is then taken from the system folder, with its own imports.
    const win32::DllSearchRestriction dllSearch;
    win32::ensurePixelDensityAwareness();  // before any window, GDI+'s included
    const win32::ComApartment com;  // before any shell call; left after the last window
    win32::gdiplus::Session gdiplus;  // started first, shut down last
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    auto& app = forms::application();
    app.title = L"Ocellus";
    {
        forms::FormPtr<ocellus::TForm1> form;
        try {
            form = forms::makeForm<ocellus::TForm1>(nullptr);
        } catch (...) {
            app.handleCurrentException();
            return 1;
        }
        app.run();
    }  // the main window is destroyed here and saves the settings
    return 0;
}
