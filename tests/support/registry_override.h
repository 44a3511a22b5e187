// Registry values a test changes in the Wine prefix, put back even when the run is killed: before the
// change the value as it was goes into a journal, the override's end restores it from there and
// clears its entry, and every test program replays, before its first test, the entries that processes
// no longer running left behind.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

inline constexpr wchar_t kJournalKeyPath[] = L"Software\\OcellusTests\\Undo";

struct RegistryValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;

    static RegistryValue dword(DWORD value);
    static RegistryValue text(std::wstring_view value);
};

class RegistryOverride {
public:
    // root: HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE; an empty name is the key's default value. A key
    // the change creates goes again, with whatever was put in it since.
    RegistryOverride(HKEY root, const std::wstring& key, const std::wstring& name, const RegistryValue& value);
    ~RegistryOverride();
    RegistryOverride(const RegistryOverride&) = delete;
    RegistryOverride& operator=(const RegistryOverride&) = delete;

private:
    std::wstring entry_;  // under the journal key; empty when nothing was changed
};

// Restores what every ended process's overrides still held. Returns how many it restored.
int restoreChangesOfEndedRuns();

}  // namespace testing_support
