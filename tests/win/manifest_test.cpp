// The manifest embedded in Ocellus.exe, read back from the program's resources by the system's own
// activation-context parser, as the loader reads it at start.
#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::wstring programPath() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"Ocellus.exe";
}

class ProgramManifest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring path = programPath();
        ACTCTXW request{};
        request.cbSize = sizeof request;
        request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.lpSource = path.c_str();
        request.lpResourceName = MAKEINTRESOURCEW(1);  // resource type 24 (RT_MANIFEST), id 1
        context_ = ::CreateActCtxW(&request);
        ASSERT_NE(context_, INVALID_HANDLE_VALUE) << "no manifest read from Ocellus.exe, error " << ::GetLastError();
    }
    void TearDown() override {
        if (context_ != INVALID_HANDLE_VALUE) ::ReleaseActCtx(context_);
    }

    std::wstring setting(const wchar_t* ns, const wchar_t* name) const {
        wchar_t value[64] = {};
        SIZE_T written = 0;
        return ::QueryActCtxSettingsW(0, context_, ns, name, value, 64, &written) ? value : L"(none)";
    }
    // The context's information of one class, in a buffer of its own.
    std::vector<unsigned char> query(ULONG infoClass, DWORD index = 0) const {
        SIZE_T needed = 0;
        ::QueryActCtxW(0, context_, &index, infoClass, nullptr, 0, &needed);
        std::vector<unsigned char> info(needed);
        if (needed && !::QueryActCtxW(0, context_, &index, infoClass, info.data(), needed, &needed)) info.clear();
        return info;
    }

    HANDLE context_ = INVALID_HANDLE_VALUE;
};

TEST_F(ProgramManifest, DeclaresPerMonitorAwarenessWithTheSystemAsFallback) {
    EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"), L"true/pm");
    EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
              L"PerMonitorV2, system");
}

TEST_F(ProgramManifest, SupportsWindows7To11) {
    // Headers disagree on the element layout (some add the highest version tested after each
    // identifier), so the identifiers are looked for in the bytes the system hands back.
    const auto info = query(CompatibilityInformationInActivationContext);
    ASSERT_GE(info.size(), sizeof(DWORD));
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(info.data()), 4u);
    for (const wchar_t* os : {L"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",    // 7
                              L"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",    // 8
                              L"{1f676c76-80e1-4239-95bb-83d0f6d0da78}",    // 8.1
                              L"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {  // 10 and 11
        GUID id{};
        ASSERT_EQ(::IIDFromString(os, &id), S_OK);
        const auto* bytes = reinterpret_cast<const unsigned char*>(&id);
        EXPECT_NE(std::search(info.begin(), info.end(), bytes, bytes + sizeof id), info.end()) << "missing " << os;
    }
}

TEST_F(ProgramManifest, StillRunsAsInvokerWithCommonControls6) {
    const auto level = query(RunlevelInformationInActivationContext);
    ASSERT_GE(level.size(), sizeof(ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION));
    const auto* run = reinterpret_cast<const ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION*>(level.data());
    EXPECT_EQ(run->RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
    EXPECT_EQ(run->UiAccess, 0u);

    // Assembly 1 is the program itself, the dependencies follow; the system may bind 6.0.0.0 to a newer 6.x.
    bool commonControls6 = false;
    for (DWORD i = 2; i < 8 && !commonControls6; ++i) {
        const auto detail = query(AssemblyDetailedInformationInActivationContext, i);
        if (detail.empty()) break;
        const std::wstring identity =
            reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(detail.data())
                ->lpAssemblyEncodedAssemblyIdentity;
        commonControls6 = identity.starts_with(L"Microsoft.Windows.Common-Controls,") &&
                          identity.find(L"version=\"6.") != std::wstring::npos;
    }
    EXPECT_TRUE(commonControls6);
}

}  // namespace
