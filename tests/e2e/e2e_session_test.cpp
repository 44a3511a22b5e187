// End-to-end: log-off or shut-down with the program running. Wine's session end does what Windows does:
// it asks every top-level window, tells it the session ends, then ends the process without destroying
// a window.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "child_run.h"
#include "e2e_support.h"

namespace e2e {
namespace {

using testing_support::inChild;
using testing_support::OwnedHandle;

constexpr wchar_t kControlMark[] = L"OCELLUS_E2E_SESSION_CONTROL";
constexpr wchar_t kControlClass[] = L"OcellusSessionControl";
constexpr wchar_t kControlKey[] = L"SOFTWARE\\OcellusTests\\SessionEnd";

// The positive control: a window that saves one value when told the session ends.
LRESULT CALLBACK controlProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ENDSESSION && wp) {
        const DWORD one = 1;
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kControlKey, L"Ended", REG_DWORD, &one, sizeof one);
    }
    return ::DefWindowProcW(w, msg, wp, lp);
}

void runControlWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = controlProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kControlClass;
    ::RegisterClassW(&wc);
    ::CreateWindowExW(0, kControlClass, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
}

class E2eSessionEnd : public ProgramTest, public ::testing::WithParamInterface<bool> {
protected:
    void TearDown() override {
        if (control_) ::TerminateProcess(control_.get(), 1);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\OcellusTests");
        ProgramTest::TearDown();
    }

    // Ends the session as Wine's log-off does; false where there is no such command.
    bool endSession() {
        wchar_t system[MAX_PATH] = {};
        ::GetSystemDirectoryW(system, MAX_PATH);
        const std::wstring exe = std::wstring(system) + L"\\wineboot.exe";
        std::wstring cmd = L"\"" + exe + L"\" --end-session";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return false;
        ::CloseHandle(pi.hThread);
        const OwnedHandle process(pi.hProcess);
        EXPECT_EQ(::WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0) << "the session end did not finish";
        return true;
    }

    OwnedHandle control_;
};

TEST_P(E2eSessionEnd, SavesWhatTheWindowHasAndNeverHoldsItUp) {
    if (inChild(kControlMark)) {
        runControlWindow();
        return;
    }
    const bool aboutOpen = GetParam();
    control_ = testing_support::startCurrentTestInChild(kControlMark);
    ASSERT_TRUE(control_);
    ASSERT_TRUE(pumpUntil([] { return ::FindWindowW(kControlClass, nullptr) != nullptr; }, kStartTimeoutMs));

    HWND w = start();
    ASSERT_TRUE(w);
    ASSERT_TRUE(clickButton(app.control(L"Button", L"x9")));
    for (const wchar_t* caption : {L"&Stay on top", L"&Interpolate"})
        ASSERT_TRUE(clickButton(app.control(L"Button", caption)));
    ::SetWindowPos(w, nullptr, 100, 80, 700, 520, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(pumpUntil([&] { return windowRect(w).left == 100 && windowRect(w).right == 800; }, 2000));
    if (aboutOpen) {
        ::PostMessageW(app.control(L"Button", L"?"), BM_CLICK, 0, 0);
        ASSERT_TRUE(waitForAbout(app.pid()));
    }
    // What the registry holds at that moment is not what the window has, and must not matter.
    const DWORD bad = 5;
    ASSERT_TRUE(writeRaw(L"Magnification", REG_DWORD, &bad, sizeof bad));
    ASSERT_TRUE(writeText(L"Left", L"not a number"));

    // A window of this driver would end it with the others, and its test would pass unseen.
    std::vector<HWND> all;
    ::EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND h : all) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(h, &pid);
        ASSERT_NE(pid, ::GetCurrentProcessId());
    }
    if (!endSession()) GTEST_SKIP() << "allowed: not-wine: no session end to run here";

    DWORD told = 0, size = sizeof told;
    ::RegGetValueW(HKEY_CURRENT_USER, kControlKey, L"Ended", RRF_RT_REG_DWORD, nullptr, &told, &size);
    EXPECT_EQ(told, 1u) << "the session end never told its windows";
    EXPECT_TRUE(app.waitForExit()) << "the program outlived the session";
    EXPECT_EQ(settingsValueCount(), 9u);
    const std::pair<const wchar_t*, const wchar_t*> saved[] = {
        {L"Magnification", L"18"}, {L"OnTop", L"1"}, {L"Interpolate", L"1"}, {L"Cursor", L"0"},
        {L"Left", L"100"},         {L"Top", L"80"},  {L"Width", L"700"},     {L"Height", L"520"}};
    for (const auto& [name, text] : saved) EXPECT_EQ(readText(name).value_or(L"<none>"), text) << narrow(name);
}

INSTANTIATE_TEST_SUITE_P(About, E2eSessionEnd, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Open" : "Closed"; });

}  // namespace
}  // namespace e2e
