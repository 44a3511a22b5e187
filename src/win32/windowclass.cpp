#include "win32/windowclass.h"

#include <set>
#include <string>

namespace win32 {

void registerWindowClass(const wchar_t* name, WNDPROC proc, bool decorated, HBRUSH background) {
    static std::set<std::wstring> registered;
    if (!registered.insert(name).second) return;
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = proc;
    c.hInstance = ::GetModuleHandleW(nullptr);
    c.lpszClassName = name;
    c.hbrBackground = background;
    if (decorated) {
        c.style = CS_DBLCLKS;
        c.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        c.hIcon = ::LoadIconW(c.hInstance, MAKEINTRESOURCEW(1));
    }
    ::RegisterClassExW(&c);
}

}  // namespace win32
