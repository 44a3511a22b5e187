// Helper of the still-screen benchmark (scripts/bench-still.sh).
//   still_helper floor <width> <height>   the floor: a window-less program whose 2 ms timer reads a
//                                          width x height area around the pointer from the desktop DC
//                                          once per tick and does nothing else, until killed
//   still_helper bare <width> <height>    the bare magnifier: the same read, then stretched onto a
//                                          572 x 356 window, once per tick, until killed
//   still_helper click <caption>          clicks the magnifier's check box with that caption
#include <windows.h>

#include <cstdlib>
#include <cwchar>

namespace {

constexpr int kPictureW = 572, kPictureH = 356;  // the magnifier's picture in its default window

LRESULT CALLBACK bareWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) return 1;  // each tick covers the whole window
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// The picture window of the bare magnifier, top-left on the primary monitor as the magnifier's own.
HWND bareWindow() {
    WNDCLASSW c{};
    c.lpfnWndProc = bareWindowProc;
    c.hInstance = ::GetModuleHandleW(nullptr);
    c.lpszClassName = L"BareMagnifier";
    ::RegisterClassW(&c);
    return ::CreateWindowExW(0, c.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, kPictureW, kPictureH, nullptr,
                             nullptr, c.hInstance, nullptr);
}

int floorProgram(int width, int height, bool stretch) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP copy = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = ::CreateCompatibleDC(nullptr);
    if (!copy || !memory) return 1;
    ::SelectObject(memory, copy);
    HWND window = stretch ? bareWindow() : nullptr;
    if (stretch && !window) return 1;
    ::SetTimer(nullptr, 0, 2, nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message != WM_TIMER) {
            ::DispatchMessageW(&msg);
            continue;
        }
        POINT p{};
        ::GetCursorPos(&p);
        HWND desktop = ::GetDesktopWindow();
        HDC screen = ::GetWindowDC(desktop);
        ::BitBlt(memory, 0, 0, width, height, screen, p.x - width / 2, p.y - height / 2, SRCCOPY);
        ::ReleaseDC(desktop, screen);
        if (!window) continue;
        HDC to = ::GetDC(window);
        ::StretchBlt(to, 0, 0, kPictureW, kPictureH, memory, 0, 0, width, height, SRCCOPY);
        ::ReleaseDC(window, to);
    }
    return 0;
}

struct Search {
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK findChild(HWND child, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    wchar_t text[128] = {};
    ::GetWindowTextW(child, text, 128);
    if (std::wcscmp(text, s->caption) != 0) return TRUE;
    s->found = child;
    return FALSE;
}

int click(const wchar_t* caption) {
    for (int i = 0; i < 100; ++i) {
        if (HWND form = ::FindWindowW(L"TForm1", L"Ocellus")) {
            Search s{caption, nullptr};
            ::EnumChildWindows(form, findChild, reinterpret_cast<LPARAM>(&s));
            if (!s.found) return 1;
            ::SendMessageW(s.found, BM_CLICK, 0, 0);
            return 0;
        }
        ::Sleep(50);
    }
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool bare = argc == 4 && std::wcscmp(argv[1], L"bare") == 0;
    if (bare || (argc == 4 && std::wcscmp(argv[1], L"floor") == 0))
        return floorProgram(std::wcstol(argv[2], nullptr, 10), std::wcstol(argv[3], nullptr, 10), bare);
    if (argc == 3 && std::wcscmp(argv[1], L"click") == 0) return click(argv[2]);
    return 2;
}
