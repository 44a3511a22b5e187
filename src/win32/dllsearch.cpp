#include "win32/dllsearch.h"

#include <string>

#include "win32/systemfunction.h"

namespace win32 {
namespace {

ModuleHandle loadFromSystemFolder(const wchar_t* name) {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(::GetSystemDirectoryW(path.data(), MAX_PATH));
    if (path.empty() || path.size() >= MAX_PATH) return {};
    return ModuleHandle(::LoadLibraryW((path + L'\\' + name).c_str()));
}

}  // namespace

DllSearchRestriction::DllSearchRestriction() {
    // Bound at run time: a direct import would keep the program from starting where it is missing.
    const auto setDefaultDirectories =
        loadedFunction<BOOL(WINAPI*)(DWORD)>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (!setDefaultDirectories || !setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) ::SetDllDirectoryW(L"");
    // Wine's own system DLLs load some of theirs on first use by a search that starts in the program's
    // folder whatever the restriction says: its uxtheme loads msimg32 so for the first themed control it
    // draws. Loaded here by full path, the one in the system folder is then found already loaded.
    msimg32_ = loadFromSystemFolder(L"msimg32.dll");
}

}  // namespace win32
