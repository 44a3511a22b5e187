// Running a test again in a child process, for what the system reads only when a process starts
// (the display density, whether Wine honours the manifest's awareness).
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "win_support.h"

namespace testing_support {

// A value under HKCU\Control Panel\Desktop for the processes started while it lives; the value
// before comes back after.
class DesktopSetting {
public:
    DesktopSetting(const wchar_t* name, DWORD value) : name_(name) {
        DWORD size = sizeof old_;
        hadOld_ = ::RegGetValueW(HKEY_CURRENT_USER, kKey, name_, RRF_RT_REG_DWORD, nullptr, &old_, &size) ==
                  ERROR_SUCCESS;
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, name_, REG_DWORD, &value, sizeof value);
    }
    ~DesktopSetting() {
        if (hadOld_) ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, name_, REG_DWORD, &old_, sizeof old_);
        else ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, name_);
    }
    DesktopSetting(const DesktopSetting&) = delete;
    DesktopSetting& operator=(const DesktopSetting&) = delete;

private:
    static constexpr wchar_t kKey[] = L"Control Panel\\Desktop";
    const wchar_t* name_;
    DWORD old_ = 0;
    bool hadOld_ = false;
};

// True in the child that runCurrentTestInChild(mark) started.
inline bool inChild(const wchar_t* mark) { return ::GetEnvironmentVariableW(mark, nullptr, 0) != 0; }

// Runs the current test again in a child process, with mark set in its environment, and expects it
// to pass.
inline void runCurrentTestInChild(const wchar_t* mark) {
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
    ASSERT_TRUE(started);
    ::CloseHandle(pi.hThread);
    const bool ended = pumpUntil([&] { return ::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 60000);
    DWORD code = 1;
    if (!ended) ::TerminateProcess(pi.hProcess, 1);
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hProcess);
    EXPECT_TRUE(ended);
    EXPECT_EQ(code, 0u) << "the run in the child process failed";
}

}  // namespace testing_support
