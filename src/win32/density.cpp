#include "win32/density.h"

#include "win32/handles.h"
#include "win32/systemfunction.h"

namespace win32 {
namespace {

int screenPixelsPerInch() {
    WindowDc dc(nullptr, ::GetDC(nullptr));
    return dc ? ::GetDeviceCaps(dc.get(), LOGPIXELSY) : USER_DEFAULT_SCREEN_DPI;
}

// Windows 8.1 to 10 1511: the manifest makes the process per-monitor aware, and its monitor's density
// is the window's.
int monitorPixelsPerInch(HWND window) {
    const auto forMonitor = bound(sys::GetDpiForMonitor);
    HMONITOR monitor = forMonitor ? ::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST) : nullptr;
    UINT x = 0, y = 0;
    if (monitor && SUCCEEDED(forMonitor(monitor, MDT_EFFECTIVE_DPI, &x, &y)) && y) return static_cast<int>(y);
    return 0;
}

}  // namespace

void ensurePixelDensityAwareness() noexcept {
    const auto getContext = bound(sys::GetThreadDpiAwarenessContext);
    const auto awareness = bound(sys::GetAwarenessFromDpiAwarenessContext);
    const auto setContext = bound(sys::SetProcessDpiAwarenessContext);
    if (getContext && awareness && setContext) {
        if (awareness(getContext()) == DPI_AWARENESS_UNAWARE) setContext(DPI_AWARENESS_CONTEXT_SYSTEM_AWARE);
        return;
    }
    if (!::IsProcessDPIAware()) ::SetProcessDPIAware();
}

int windowPixelsPerInch(HWND window) {
    if (window) {
        if (const auto forWindow = bound(sys::GetDpiForWindow))
            if (const UINT dpi = forWindow(window)) return static_cast<int>(dpi);
        if (const int dpi = monitorPixelsPerInch(window)) return dpi;
    }
    return screenPixelsPerInch();
}

RECT windowRectForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int pixelsPerInch) {
    const auto adjustForDpi = bound(sys::AdjustWindowRectExForDpi);
    RECT rc{0, 0, clientWidth, clientHeight};
    if (!adjustForDpi || pixelsPerInch <= 0 ||
        !adjustForDpi(&rc, style, FALSE, exStyle, static_cast<UINT>(pixelsPerInch))) {
        // Before Windows 10 1607 the system draws every frame at the screen's density.
        rc = {0, 0, clientWidth, clientHeight};
        ::AdjustWindowRectEx(&rc, style, FALSE, exStyle);
    }
    return rc;
}

}  // namespace win32
