// The planting test's positive control: a program that imports uxtheme directly, so that Windows (and
// Wine told to prefer a DLL beside the program) loads an UxTheme.dll planted beside it at start.
#include <windows.h>

#include <uxtheme.h>

int main(int argc, char**) {
    // Imported, not called.
    return argc > 99 ? ::IsThemeActive() : 0;
}
