// The registry values a test changes in the prefix come back when the run is killed while they are
// changed: the next test program's start restores them.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "child_run.h"
#include "registry_override.h"
#include "win32/handles.h"
#include "win_support.h"

namespace {

using testing_support::RegistryOverride;
using testing_support::RegistryValue;

constexpr wchar_t kKilledMark[] = L"OCELLUS_KILLED_RUN";
constexpr wchar_t kProbe[] = L"Software\\OcellusTests\\Probe";
const std::wstring kKept = std::wstring(kProbe) + L"\\Kept";
const std::wstring kCreated = std::wstring(kProbe) + L"\\Created";

LONG textAt(const std::wstring& key, const wchar_t* name, std::wstring& text) {
    wchar_t buffer[64] = {};
    DWORD size = sizeof buffer;
    const LONG result = ::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size);
    text = buffer;
    return result;
}

bool keyExists(const std::wstring& key) {
    HKEY opened = nullptr;
    const bool found = ::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS;
    const win32::RegKey closed(found ? opened : nullptr);
    return found;
}

TEST(RegistryOverride, WhatAKilledRunHadChangedComesBackAtTheNextStart) {
    if (testing_support::inChild(kKilledMark)) {
        // A value replaced by one of another type, one added, one in a key made for it; then killed.
        const RegistryOverride replaced(HKEY_CURRENT_USER, kKept, L"Value", RegistryValue::dword(7));
        const RegistryOverride added(HKEY_CURRENT_USER, kKept, L"Added", RegistryValue::text(L"added"));
        const RegistryOverride made(HKEY_CURRENT_USER, kCreated + L"\\Deeper", L"", RegistryValue::text(L"made"));
        ::Sleep(INFINITE);
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kProbe);
    const std::wstring before = L"before";
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kKept.c_str(), L"Value", REG_SZ, before.c_str(),
                      static_cast<DWORD>((before.size() + 1) * sizeof(wchar_t)));

    const testing_support::OwnedHandle child = testing_support::startCurrentTestInChild(kKilledMark);
    ASSERT_TRUE(child);
    std::wstring text;
    const bool changed = testing_support::pumpUntil(
        [&] { return textAt(kCreated + L"\\Deeper", L"", text) == ERROR_SUCCESS; }, 30000);
    ::TerminateProcess(child.get(), 1);
    ::WaitForSingleObject(child.get(), 30000);
    ASSERT_TRUE(changed) << "the child made no change";
    EXPECT_EQ(textAt(kKept, L"Added", text), ERROR_SUCCESS) << "the kill undid the changes by itself";

    EXPECT_EQ(testing_support::restoreChangesOfEndedRuns(), 3);
    EXPECT_EQ(textAt(kKept, L"Value", text), ERROR_SUCCESS) << "not text again";
    EXPECT_EQ(text, before);
    EXPECT_EQ(textAt(kKept, L"Added", text), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(keyExists(kCreated));
    EXPECT_EQ(testing_support::restoreChangesOfEndedRuns(), 0) << "the journal keeps what it restored";
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kProbe);
}

}  // namespace
