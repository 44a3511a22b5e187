// Program entry: GDI+ for the whole run, the application object, the main window, the message loop.
#include <windows.h>

#include <commctrl.h>

#include "app/mag.h"
#include "forms/application.h"
#include "win32/density.h"
#include "win32/gdiplus.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    win32::ensurePixelDensityAwareness();  // before any window, GDI+'s included
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
