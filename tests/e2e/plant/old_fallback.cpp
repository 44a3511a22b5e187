// The planting test's positive control: a program that keeps the old defence only, dropping the current
// folder from the search and then loading uxtheme by name, as the delay-load helper does. Where the
// system cannot restrict the search, that load takes an UxTheme.dll planted beside the program.
#include <windows.h>

int main() {
    ::SetDllDirectoryW(L"");
    return ::LoadLibraryW(L"uxtheme.dll") ? 0 : 1;
}
