// Running a test again in a child process, for what the system reads only when a process starts
// (the display density, whether Wine honours the manifest's awareness).
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// A process or file handle.
using OwnedHandle = win32::UniqueHandle<HANDLE, ::CloseHandle>;

// Starts this program again to run the current test alone, with mark set in its environment and
// arguments added to its command line; its output goes to output, or where this program's goes.
inline OwnedHandle startCurrentTestInChild(const wchar_t* mark, const std::wstring& arguments = {},
                                             HANDLE output = nullptr) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::wstring exe(MAX_PATH, L'\0');
    exe.resize(::GetModuleFileNameW(nullptr, exe.data(), MAX_PATH));
    const std::string filter = std::string(test->test_suite_name()) + "." + test->name();
    std::wstring cmd =
        L"\"" + exe + L"\" --gtest_filter=" + std::wstring(filter.begin(), filter.end()) + L" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = output ? output : ::GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = output ? output : ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    ::SetEnvironmentVariableW(mark, L"1");
    const BOOL started =
        ::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    ::SetEnvironmentVariableW(mark, nullptr);
    if (!started) return {};
    ::CloseHandle(pi.hThread);
    return OwnedHandle(pi.hProcess);
}

inline std::wstring newTempFile() {
    wchar_t dir[MAX_PATH] = {}, path[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, dir);
    ::GetTempFileNameW(dir, L"run", 0, path);
    return path;
}

// The file's text; the file goes.
inline std::string takeFileText(const std::wstring& path) {
    std::string text;
    {
        std::ifstream in(std::filesystem::path(path), std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ::DeleteFileW(path.c_str());
    return text;
}

// Runs the current test again in a child process, with mark set in its environment, and expects it
// to run to its end and pass: a child that skipped it or ran no test at all fails the test too.
inline void runCurrentTestInChild(const wchar_t* mark) {
    const std::wstring report = newTempFile(), log = newTempFile();
    bool ended = false;
    DWORD code = 1;
    {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        const OwnedHandle output(::CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                 &inherited, CREATE_ALWAYS, 0, nullptr));
        const OwnedHandle child =
            startCurrentTestInChild(mark, L"\"--gtest_output=xml:" + report + L"\"", output.get());
        if (child) {
            ended = pumpUntil([&] { return ::WaitForSingleObject(child.get(), 0) == WAIT_OBJECT_0; }, 60000);
            if (!ended) ::TerminateProcess(child.get(), 1);
            ::WaitForSingleObject(child.get(), 10000);
            ::GetExitCodeProcess(child.get(), &code);
        }
    }
    const std::string xml = takeFileText(report);
    std::string output = takeFileText(log);
    // ctest takes this mark anywhere in a test's output for a skip of the whole test, even a failed one.
    for (std::size_t at = output.find("[  SKIPPED ]"); at != std::string::npos; at = output.find("[  SKIPPED ]", at))
        output.replace(at, 12, "[  skipped ]");
    std::printf("----- the run in the child process -----\n%s----- its end -----\n", output.c_str());
    EXPECT_TRUE(ended);
    EXPECT_EQ(code, 0u) << "the run in the child process failed";
    std::size_t tests = 0;
    for (std::size_t at = xml.find("<testcase "); at != std::string::npos; at = xml.find("<testcase ", at + 1))
        ++tests;
    EXPECT_TRUE(tests == 1 && xml.find(" result=\"completed\"") != std::string::npos)
        << "the child ran no test to its end (skipped, or none matched):\n"
        << xml;
}

}  // namespace testing_support
