#include "win32/density.h"

#include "win32/handles.h"
#include "win32/systemfunction.h"

namespace win32 {
namespace {

int screenPixelsPerInch() {
    WindowDc dc(nullptr, ::GetDC(nullptr));
    return dc ? ::GetDeviceCaps(dc.get(), LOGPIXELSY) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

void ensurePixelDensityAwareness() noexcept {
    using GetThreadContextFn = DPI_AWARENESS_CONTEXT(WINAPI*)();
    using AwarenessFn = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);
    using SetProcessContextFn = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    using FlagFn = BOOL(WINAPI*)();
    const auto getContext = user32Function<GetThreadContextFn>("GetThreadDpiAwarenessContext");
    const auto awareness = user32Function<AwarenessFn>("GetAwarenessFromDpiAwarenessContext");
    const auto setContext = user32Function<SetProcessContextFn>("SetProcessDpiAwarenessContext");
    if (getContext && awareness && setContext) {
        if (awareness(getContext()) == DPI_AWARENESS_UNAWARE) setContext(DPI_AWARENESS_CONTEXT_SYSTEM_AWARE);
        return;
    }
    const auto isAware = user32Function<FlagFn>("IsProcessDPIAware");
    const auto setAware = user32Function<FlagFn>("SetProcessDPIAware");
    if (isAware && setAware && !isAware()) setAware();
}

int windowPixelsPerInch(HWND window) {
    static const auto forWindow = user32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (forWindow && window)
        if (const UINT dpi = forWindow(window)) return static_cast<int>(dpi);
    return screenPixelsPerInch();
}

RECT windowRectForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int pixelsPerInch) {
    using AdjustFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = user32Function<AdjustFn>("AdjustWindowRectExForDpi");
    RECT rc{0, 0, clientWidth, clientHeight};
    if (!adjustForDpi || pixelsPerInch <= 0 ||
        !adjustForDpi(&rc, style, FALSE, exStyle, static_cast<UINT>(pixelsPerInch))) {
        rc = {0, 0, clientWidth, clientHeight};
        ::AdjustWindowRectEx(&rc, style, FALSE, exStyle);
    }
    return rc;
}

}  // namespace win32
