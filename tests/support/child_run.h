// Running a test again in a child process, for what the system reads only when a process starts
// (the display density, whether Wine honours the manifest's awareness).
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "registry_override.h"
#include "win32/handles.h"
#include "win_support.h"

namespace testing_support {

// A value under HKCU\Control Panel\Desktop for the processes started while it lives.
class DesktopSetting : public RegistryOverride {
public:
    DesktopSetting(const wchar_t* name, DWORD value)
        : RegistryOverride(HKEY_CURRENT_USER, L"Control Panel\\Desktop", name, RegistryValue::dword(value)) {}
};

// True in the child that runCurrentTestInChild(mark) started.
inline bool inChild(const wchar_t* mark) { return ::GetEnvironmentVariableW(mark, nullptr, 0) != 0; }

using OwnedHandle = win32::UniqueHandle<HANDLE, ::CloseHandle>;

// Starts this program again to run the current test alone, with mark set in its environment.
inline OwnedHandle startCurrentTestInChild(const wchar_t* mark) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::wstring exe(MAX_PATH, L'\0');
    exe.resize(::GetModuleFileNameW(nullptr, exe.data(), MAX_PATH));
    const std::string filter = std::string(test->test_suite_name()) + "." + test->name();
    std::wstring cmd = L"\"" + exe + L"\" --gtest_filter=" + std::wstring(filter.begin(), filter.end());
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    ::SetEnvironmentVariableW(mark, L"1");
    const BOOL started =
        ::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    ::SetEnvironmentVariableW(mark, nullptr);
    if (!started) return {};
    ::CloseHandle(pi.hThread);
    return OwnedHandle(pi.hProcess);
}

// Runs the current test again in a child process, with mark set in its environment, and expects it
// to pass.
inline void runCurrentTestInChild(const wchar_t* mark) {
    const OwnedHandle child = startCurrentTestInChild(mark);
    ASSERT_TRUE(child);
    const bool ended = pumpUntil([&] { return ::WaitForSingleObject(child.get(), 0) == WAIT_OBJECT_0; }, 60000);
    DWORD code = 1;
    if (!ended) ::TerminateProcess(child.get(), 1);
    ::GetExitCodeProcess(child.get(), &code);
    EXPECT_TRUE(ended);
    EXPECT_EQ(code, 0u) << "the run in the child process failed";
}

}  // namespace testing_support
