#include "win32/dllsearch.h"

#include <delayimp.h>

#include "win32/systemfunction.h"

namespace win32 {
namespace {

// The delay-load helper would load each DLL by bare name, which on Windows 7 without its update still
// searches the program's folder first: each is taken from the system folder here instead. Where that
// fails, the helper's own load is no worse than without the hook.
FARPROC WINAPI beforeDelayLoad(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary || !info || !info->szDll) return nullptr;
    return reinterpret_cast<FARPROC>(loadSystemDll(info->szDll));
}

}  // namespace

DllSearchRestriction::DllSearchRestriction() {
    const auto setDefaultDirectories = bound(sys::SetDefaultDllDirectories);
    if (!setDefaultDirectories || !setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) ::SetDllDirectoryW(L"");
    // System DLLs load some of theirs by name, by a search that starts in the program's folder: Wine's
    // uxtheme loads msimg32 so, whatever the restriction says, for the first themed control it draws;
    // without the restriction the common controls load uxtheme so. Loaded here from the system folder
    // first, those are then found already loaded.
    for (const char* name : {"msimg32.dll", "uxtheme.dll"}) preloaded_.emplace_back(loadSystemDll(name));
}

}  // namespace win32

// The helper reads this hook by name.
#ifdef _MSC_VER
extern "C" const PfnDliHook __pfnDliNotifyHook2 = win32::beforeDelayLoad;
#else
extern "C" {
PfnDliHook __pfnDliNotifyHook2 = win32::beforeDelayLoad;
}
#endif
