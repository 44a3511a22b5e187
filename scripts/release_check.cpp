// Release tier of scripts/test.sh, the part that runs under Wine: the released program as Windows sees it.
//
//   release_check.exe <Ocellus.exe> <version a.b.c.d> <product name>
//
// 1. Its version resource, read with GetFileVersionInfoW: the fixed file and product versions, and
//    FileVersion, ProductVersion and ProductName in its first string table.
// 2. Started, it shows a visible top-level window of class "TForm1" captioned "Ocellus" within 30 s;
//    asked to close (WM_CLOSE), it ends within 15 s.
// Built by the release tier for the program it checks (32-bit; 64-bit where the machine runs no 32-bit
// code); prints what it checked, exits 1 on a failure.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

int failures = 0;

void report(bool ok, const wchar_t* what, const std::wstring& detail) {
    std::printf("release check: %s: %ls (%ls)\n", ok ? "ok" : "FAILED", what, detail.c_str());
    if (!ok) ++failures;
}

void expect(const wchar_t* what, const std::wstring& got, const std::wstring& want) {
    report(got == want, what, got == want ? got : got + L", expected " + want);
}

std::wstring dotted(DWORD high, DWORD low) {
    return std::to_wstring(HIWORD(high)) + L"." + std::to_wstring(LOWORD(high)) + L"." +
           std::to_wstring(HIWORD(low)) + L"." + std::to_wstring(LOWORD(low));
}

void checkVersion(const std::wstring& exe, const std::wstring& version, const std::wstring& product) {
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    std::vector<BYTE> block(size);
    if (size == 0 || !::GetFileVersionInfoW(exe.c_str(), 0, size, block.data())) {
        report(false, L"version resource", L"none, error " + std::to_wstring(::GetLastError()));
        return;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        fixed->dwSignature != 0xFEEF04BD) {
        report(false, L"fixed version", L"missing");
    } else {
        expect(L"fixed file version", dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS), version);
        expect(L"fixed product version", dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS), version);
    }
    struct Translation {
        WORD language, codePage;
    }* translation = nullptr;
    if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                          &length) ||
        length < sizeof(Translation)) {
        report(false, L"string table", L"no translation entry");
        return;
    }
    wchar_t table[64];
    std::swprintf(table, 64, L"\\StringFileInfo\\%04x%04x\\", translation->language, translation->codePage);
    auto text = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT chars = 0;
        std::wstring query = std::wstring(table) + name;
        if (!::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &chars) || !value)
            return std::wstring(L"<missing>");
        return std::wstring(value);
    };
    expect(L"FileVersion", text(L"FileVersion"), version);
    expect(L"ProductVersion", text(L"ProductVersion"), version);
    expect(L"ProductName", text(L"ProductName"), product);
}

struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK findMainWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    wchar_t className[64] = {}, caption[64] = {};
    ::GetClassNameW(window, className, 64);
    ::GetWindowTextW(window, caption, 64);
    if (process == search->process && ::IsWindowVisible(window) && std::wstring(className) == L"TForm1" &&
        std::wstring(caption) == L"Ocellus") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

void checkWindow(const std::wstring& exe) {
    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        report(false, L"start", L"error " + std::to_wstring(::GetLastError()));
        return;
    }
    Search search{process.dwProcessId, nullptr};
    DWORD began = ::GetTickCount();
    while (!search.found && ::GetTickCount() - began < 30000 &&
           ::WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT)
        ::EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
        RECT r{};
        ::GetWindowRect(search.found, &r);
        report(r.right > r.left && r.bottom > r.top, L"window TForm1 \"Ocellus\" shown",
               std::to_wstring(::GetTickCount() - began) + L" ms, " + std::to_wstring(r.right - r.left) + L"x" +
                   std::to_wstring(r.bottom - r.top));
        ::PostMessageW(search.found, WM_CLOSE, 0, 0);
        DWORD waited = ::WaitForSingleObject(process.hProcess, 15000);
        DWORD code = 0;
        ::GetExitCodeProcess(process.hProcess, &code);
        report(waited == WAIT_OBJECT_0 && code == 0, L"ends on WM_CLOSE",
               waited == WAIT_OBJECT_0 ? L"exit code " + std::to_wstring(code) : std::wstring(L"still running"));
    } else {
        DWORD code = 0;
        ::GetExitCodeProcess(process.hProcess, &code);
        report(false, L"window TForm1 \"Ocellus\" shown",
               code == STILL_ACTIVE ? std::wstring(L"none within 30 s") : L"ended, exit code " + std::to_wstring(code));
    }
    if (::WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(process.hProcess, 1);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::printf("usage: release_check.exe <Ocellus.exe> <version> <product>\n");
        return 2;
    }
    wchar_t full[MAX_PATH];
    if (!::GetFullPathNameW(argv[1], MAX_PATH, full, nullptr)) return 2;
    checkVersion(full, argv[2], argv[3]);
    checkWindow(full);
    return failures == 0 ? 0 : 1;
}
