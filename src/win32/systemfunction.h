// The system functions bound at run time: those newer than the oldest Windows the program starts on,
// and those of a DLL whose loaded version may lack them. One table names each one's DLL and the first
// Windows that has it; each is looked up once, from the system's own DLL, and kept.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <shellscalingapi.h>
#include <shlwapi.h>

namespace win32 {

// The Windows versions whose sets of these functions differ, oldest first.
enum class WindowsVersion {
    Seven,          // 7 SP1 without update KB2533623
    SevenUpdated,   // 7 SP1 with it: the restricted DLL search
    EightOne,       // per-monitor densities, one per monitor
    Ten1507,
    Ten1607,        // a density per window, frames for a density, per-thread awareness
    Ten1703,        // per-monitor awareness v2 and setting a context for the process
};

enum class SystemDll { Kernel32, Ntdll, Comctl32, User32, Shcore };

// One function of the table: its pointer type, checked against the SDK's declaration where the table
// is defined, and its row.
template <class Pointer, int Row>
struct SystemFunction {
    using Type = Pointer;
    static constexpr int row = Row;
};

namespace sys {
// Takes the place of RtlGetVersion's declaration, which only the driver kit has.
using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);

inline constexpr SystemFunction<BOOL(WINAPI*)(DWORD), 0> SetDefaultDllDirectories;
inline constexpr SystemFunction<RtlGetVersionFn, 1> RtlGetVersion;
inline constexpr SystemFunction<DLLGETVERSIONPROC, 2> DllGetVersion;
inline constexpr SystemFunction<HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*), 3>
    TaskDialogIndirect;
inline constexpr SystemFunction<DPI_AWARENESS_CONTEXT(WINAPI*)(), 4> GetThreadDpiAwarenessContext;
inline constexpr SystemFunction<DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT), 5> SetThreadDpiAwarenessContext;
inline constexpr SystemFunction<DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT), 6> GetAwarenessFromDpiAwarenessContext;
inline constexpr SystemFunction<BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT), 7> SetProcessDpiAwarenessContext;
inline constexpr SystemFunction<UINT(WINAPI*)(HWND), 8> GetDpiForWindow;
inline constexpr SystemFunction<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT), 9> AdjustWindowRectExForDpi;
inline constexpr SystemFunction<HRESULT(WINAPI*)(HMONITOR, MONITOR_DPI_TYPE, UINT*, UINT*), 10> GetDpiForMonitor;
inline constexpr int kRows = 11;
}  // namespace sys

// The function's address in the system's DLL, or null where this Windows lacks it.
void* systemFunctionAddress(int row);

template <class Pointer, int Row>
Pointer bound(SystemFunction<Pointer, Row>) {
    return reinterpret_cast<Pointer>(systemFunctionAddress(Row));
}

// The system DLL of that name from the system folder, never from the program's or the current one:
// restricted to it where the system can restrict a load, else by full path with the DLL's own folder
// searched first for what it imports. DLLs the manifest redirects (common controls) come from there.
HMODULE loadSystemDll(const char* name);

#ifdef OCELLUS_SIMULATED_WINDOWS
// Test builds: from now on, the functions newer than that version are missing, as they are there.
void simulateWindows(WindowsVersion version);
WindowsVersion simulatedWindows();
#endif

}  // namespace win32
