#include "registry_override.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <optional>

#include "win32/handles.h"

namespace testing_support {
namespace {

using ProcessHandle = win32::UniqueHandle<HANDLE, ::CloseHandle>;

std::wstring entryPath(const std::wstring& entry) { return std::wstring(kJournalKeyPath) + L"\\" + entry; }

win32::RegKey openKey(HKEY root, const std::wstring& path, REGSAM access, LONG* error = nullptr) {
    HKEY key = nullptr;
    const LONG result = ::RegOpenKeyExW(root, path.c_str(), 0, access, &key);
    if (error) *error = result;
    return win32::RegKey(result == ERROR_SUCCESS ? key : nullptr);
}

bool keyMissing(HKEY root, const std::wstring& path) {
    LONG error = ERROR_SUCCESS;
    openKey(root, path, KEY_QUERY_VALUE, &error);
    return error == ERROR_FILE_NOT_FOUND;
}

std::optional<RegistryValue> readValue(HKEY key, const std::wstring& name) {
    RegistryValue value;
    DWORD size = 0;
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.bytes.resize(size);
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.bytes.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.bytes.resize(size);
    return value;
}

bool writeValue(HKEY key, const std::wstring& name, const RegistryValue& value) {
    return ::RegSetValueExW(key, name.c_str(), 0, value.type, value.bytes.data(),
                            static_cast<DWORD>(value.bytes.size())) == ERROR_SUCCESS;
}

std::wstring textOf(HKEY key, const wchar_t* name) {
    const auto value = readValue(key, name);
    if (!value || value->type != REG_SZ) return {};
    std::wstring text(reinterpret_cast<const wchar_t*>(value->bytes.data()), value->bytes.size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

template <class T>
T numberOf(HKEY key, const wchar_t* name) {
    const auto value = readValue(key, name);
    T n{};
    if (value && value->bytes.size() == sizeof n) std::memcpy(&n, value->bytes.data(), sizeof n);
    return n;
}

RegistryValue qword(ULONGLONG n) {
    const auto* bytes = reinterpret_cast<const BYTE*>(&n);
    return {REG_QWORD, {bytes, bytes + sizeof n}};
}

// The outermost key of path that does not exist yet: deleting it undoes creating path.
std::wstring firstMissingKey(HKEY root, const std::wstring& path) {
    for (std::size_t end = path.find(L'\\');; end = path.find(L'\\', end + 1)) {
        const std::wstring prefix = path.substr(0, end);
        if (keyMissing(root, prefix)) return prefix;
        if (end == std::wstring::npos) return {};
    }
}

ULONGLONG startTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

bool stillRunning(DWORD pid, ULONGLONG started) {
    const ProcessHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid));
    return process && ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT && startTime(process.get()) == started;
}

// Puts back what the entry recorded and removes the entry.
void restore(const std::wstring& entry) {
    // An entry cut short was made before anything changed: it only goes.
    if (const win32::RegKey journal = openKey(HKEY_CURRENT_USER, entryPath(entry), KEY_QUERY_VALUE);
        journal && numberOf<DWORD>(journal.get(), L"Complete")) {
        const HKEY root = numberOf<DWORD>(journal.get(), L"Root") ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        const std::wstring key = textOf(journal.get(), L"Key"), name = textOf(journal.get(), L"Name"),
                           created = textOf(journal.get(), L"Created");
        const auto original = readValue(journal.get(), L"Data");
        if (!created.empty()) {
            ::RegDeleteTreeW(root, created.c_str());
        } else if (original) {
            const win32::RegKey target = openKey(root, key, KEY_SET_VALUE);
            if (target) writeValue(target.get(), name, {numberOf<DWORD>(journal.get(), L"Type"), original->bytes});
        } else {
            ::RegDeleteKeyValueW(root, key.c_str(), name.c_str());
        }
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, entryPath(entry).c_str());
}

}  // namespace

RegistryValue RegistryValue::dword(DWORD value) {
    const auto* bytes = reinterpret_cast<const BYTE*>(&value);
    return {REG_DWORD, {bytes, bytes + sizeof value}};
}

RegistryValue RegistryValue::text(std::wstring_view value) {
    const auto* bytes = reinterpret_cast<const BYTE*>(value.data());
    RegistryValue out{REG_SZ, {bytes, bytes + value.size() * sizeof(wchar_t)}};
    out.bytes.insert(out.bytes.end(), sizeof(wchar_t), 0);
    return out;
}

RegistryOverride::RegistryOverride(HKEY root, const std::wstring& key, const std::wstring& name,
                                   const RegistryValue& value) {
    static int count = 0;
    const ULONGLONG started = startTime(::GetCurrentProcess());
    const std::wstring entry = std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(started) + L"-" +
                               std::to_wstring(count++);
    HKEY entryKey = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, entryPath(entry).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &entryKey, nullptr) != ERROR_SUCCESS)
        return;
    const win32::RegKey journal(entryKey);
    bool noted = writeValue(journal.get(), L"Owner", RegistryValue::dword(::GetCurrentProcessId())) &&
                 writeValue(journal.get(), L"Started", qword(started)) &&
                 writeValue(journal.get(), L"Root", RegistryValue::dword(root == HKEY_LOCAL_MACHINE)) &&
                 writeValue(journal.get(), L"Key", RegistryValue::text(key)) &&
                 writeValue(journal.get(), L"Name", RegistryValue::text(name));
    LONG error = ERROR_SUCCESS;
    if (const win32::RegKey target = openKey(root, key, KEY_QUERY_VALUE, &error)) {
        if (const auto original = readValue(target.get(), name))
            noted = noted && writeValue(journal.get(), L"Type", RegistryValue::dword(original->type)) &&
                    writeValue(journal.get(), L"Data", {REG_BINARY, original->bytes});
    } else {
        noted = noted && error == ERROR_FILE_NOT_FOUND &&
                writeValue(journal.get(), L"Created", RegistryValue::text(firstMissingKey(root, key)));
    }
    noted = noted && writeValue(journal.get(), L"Complete", RegistryValue::dword(1));
    HKEY target = nullptr;
    if (!noted || ::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &target, nullptr) !=
                      ERROR_SUCCESS) {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, entryPath(entry).c_str());
        return;
    }
    entry_ = entry;
    const win32::RegKey opened(target);
    writeValue(opened.get(), name, value);
}

RegistryOverride::~RegistryOverride() {
    if (!entry_.empty()) restore(entry_);
}

int restoreChangesOfEndedRuns() {
    std::vector<std::wstring> ended;
    if (const win32::RegKey journal = openKey(HKEY_CURRENT_USER, kJournalKeyPath, KEY_READ)) {
        wchar_t name[256];
        for (DWORD i = 0, size = 256; ::RegEnumKeyExW(journal.get(), i, name, &size, nullptr, nullptr, nullptr,
                                                      nullptr) == ERROR_SUCCESS;
             ++i, size = 256) {
            const win32::RegKey entry = openKey(journal.get(), name, KEY_QUERY_VALUE);
            if (!entry || !stillRunning(numberOf<DWORD>(entry.get(), L"Owner"),
                                        numberOf<ULONGLONG>(entry.get(), L"Started")))
                ended.emplace_back(name);
        }
    }
    for (const std::wstring& entry : ended) restore(entry);
    return static_cast<int>(ended.size());
}

namespace {

// Before the first test of every test program, including the runs started again in a child.
class RestoreEndedRuns : public ::testing::Environment {
public:
    void SetUp() override {
        if (const int n = restoreChangesOfEndedRuns())
            std::printf("[ prefix ] restored %d setting(s) that an ended run had changed\n", n);
    }
};

[[maybe_unused]] ::testing::Environment* const restoreFirst =
    ::testing::AddGlobalTestEnvironment(new RestoreEndedRuns);

}  // namespace
}  // namespace testing_support
