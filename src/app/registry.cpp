#include "app/registry.h"

#include <algorithm>
#include <vector>

#include "app/settings_rules.h"
#include "base/exception.h"

namespace ocellus {

bool RegistryAccess::openKey(std::wstring_view path, bool create) {
    key_.reset();
    std::wstring p(path);
    HKEY key = nullptr;
    LONG rc = create ? ::RegCreateKeyExW(root_, p.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                         nullptr, &key, nullptr)
                     : ::RegOpenKeyExW(root_, p.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS) return false;
    key_.reset(key);
    return true;
}

std::wstring RegistryAccess::readString(std::wstring_view name) {
    if (!key_) return {};
    std::wstring n(name);
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key_.get(), n.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0)
        return {};
    std::vector<std::uint8_t> data(size);
    // The value may change between the two queries; whatever the second one reports is what we decode.
    if (::RegQueryValueExW(key_.get(), n.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return {};
    return settings::textFromRegistryData(type, data.data(), std::min<std::size_t>(size, data.size()), name);
}

void RegistryAccess::writeString(std::wstring_view name, std::wstring_view text) {
    std::wstring n(name);
    auto data = settings::registryDataForText(text);
    if (!key_ || ::RegSetValueExW(key_.get(), n.c_str(), 0, REG_SZ, data.data(), static_cast<DWORD>(data.size())) !=
                     ERROR_SUCCESS)
        throw ERegistryException(formatMessage(L"Failed to set data for '%s'", name));
}

}  // namespace ocellus
