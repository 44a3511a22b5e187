// The table itself. Declared here for the newest Windows, so that the compiler holds each row's pointer
// type to the SDK's own declaration; nothing here calls what the oldest Windows lacks but through it.
#undef _WIN32_WINNT
#undef WINVER
#undef NTDDI_VERSION
#define _WIN32_WINNT 0x0A00
#define WINVER 0x0A00
#define NTDDI_VERSION 0x0A000003

#include "win32/systemfunction.h"

#include <atomic>
#include <string>
#include <type_traits>

namespace win32 {
namespace {

struct Row {
    SystemDll dll;
    const char* name;
    WindowsVersion since;
};

constexpr Row kTable[sys::kRows] = {
    {SystemDll::Kernel32, "SetDefaultDllDirectories", WindowsVersion::SevenUpdated},
    {SystemDll::Ntdll, "RtlGetVersion", WindowsVersion::Seven},
    {SystemDll::Comctl32, "DllGetVersion", WindowsVersion::Seven},
    {SystemDll::Comctl32, "TaskDialogIndirect", WindowsVersion::Seven},  // version 6 only
    {SystemDll::User32, "GetThreadDpiAwarenessContext", WindowsVersion::Ten1607},
    {SystemDll::User32, "SetThreadDpiAwarenessContext", WindowsVersion::Ten1607},
    {SystemDll::User32, "GetAwarenessFromDpiAwarenessContext", WindowsVersion::Ten1607},
    {SystemDll::User32, "SetProcessDpiAwarenessContext", WindowsVersion::Ten1703},
    {SystemDll::User32, "GetDpiForWindow", WindowsVersion::Ten1607},
    {SystemDll::User32, "AdjustWindowRectExForDpi", WindowsVersion::Ten1607},
    {SystemDll::Shcore, "GetDpiForMonitor", WindowsVersion::EightOne},
};

template <auto Function, class Declared>
constexpr bool declaredAs = std::is_same_v<typename decltype(Function)::Type, Declared>;
static_assert(declaredAs<sys::SetDefaultDllDirectories, decltype(&::SetDefaultDllDirectories)>);
static_assert(declaredAs<sys::TaskDialogIndirect, decltype(&::TaskDialogIndirect)>);
static_assert(declaredAs<sys::GetThreadDpiAwarenessContext, decltype(&::GetThreadDpiAwarenessContext)>);
static_assert(declaredAs<sys::SetThreadDpiAwarenessContext, decltype(&::SetThreadDpiAwarenessContext)>);
static_assert(declaredAs<sys::GetAwarenessFromDpiAwarenessContext, decltype(&::GetAwarenessFromDpiAwarenessContext)>);
static_assert(declaredAs<sys::SetProcessDpiAwarenessContext, decltype(&::SetProcessDpiAwarenessContext)>);
static_assert(declaredAs<sys::GetDpiForWindow, decltype(&::GetDpiForWindow)>);
static_assert(declaredAs<sys::AdjustWindowRectExForDpi, decltype(&::AdjustWindowRectExForDpi)>);
static_assert(declaredAs<sys::GetDpiForMonitor, decltype(&::GetDpiForMonitor)>);

#ifdef OCELLUS_SIMULATED_WINDOWS
std::atomic<WindowsVersion> simulated{WindowsVersion::Ten1703};
bool present(const Row& row) { return row.since <= simulated.load(); }
#else
constexpr bool present(const Row&) { return true; }
#endif

// Each looked up once; a lookup that finds nothing is kept too. Process-wide, like the DLLs they are in,
// which stay loaded for the whole run.
struct Cached {
    std::atomic<bool> known{false};
    std::atomic<void*> address{nullptr};
};
Cached cache[sys::kRows];

HMODULE moduleOf(SystemDll dll) {
    switch (dll) {
    case SystemDll::Kernel32: return ::GetModuleHandleW(L"kernel32.dll");
    case SystemDll::Ntdll: return ::GetModuleHandleW(L"ntdll.dll");
    case SystemDll::Comctl32: return loadSystemDll("comctl32.dll");
    case SystemDll::User32: return loadSystemDll("user32.dll");
    case SystemDll::Shcore: return loadSystemDll("shcore.dll");  // from Windows 8.1 on
    }
    return nullptr;
}

std::wstring systemFolder() {
    std::wstring path(MAX_PATH, L'\0');
    const UINT length = ::GetSystemDirectoryW(path.data(), MAX_PATH);
    path.resize(length < MAX_PATH ? length : 0);
    return path;
}

bool isSideBySide(const char* name) { return ::lstrcmpiA(name, "comctl32.dll") == 0; }

}  // namespace

void* systemFunctionAddress(int row) {
    Cached& c = cache[row];
    if (!c.known.load(std::memory_order_acquire)) {
        const Row& r = kTable[row];
        HMODULE module = present(r) ? moduleOf(r.dll) : nullptr;
        c.address.store(module ? reinterpret_cast<void*>(::GetProcAddress(module, r.name)) : nullptr);
        c.known.store(true, std::memory_order_release);
    }
    return c.address.load();
}

HMODULE loadSystemDll(const char* name) {
    // The manifest names the common controls' version; the side-by-side store, which comes before any
    // folder of the search, holds it.
    if (isSideBySide(name)) return ::LoadLibraryA(name);
    if (bound(sys::SetDefaultDllDirectories)) return ::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const std::wstring folder = systemFolder();
    if (folder.empty()) return nullptr;
    const std::wstring path = folder + L'\\' + std::wstring(name, name + ::lstrlenA(name));
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

#ifdef OCELLUS_SIMULATED_WINDOWS
void simulateWindows(WindowsVersion version) {
    simulated.store(version);
    for (Cached& c : cache) c.known.store(false);
}

WindowsVersion simulatedWindows() { return simulated.load(); }
#endif

}  // namespace win32
