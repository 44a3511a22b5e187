// A short-lived registry access object bound to HKEY_CURRENT_USER, asking for full access.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "win32/handles.h"

namespace ocellus {

class RegistryAccess {
public:
    explicit RegistryAccess(HKEY root = HKEY_CURRENT_USER) : root_(root) {}
    // Opens an existing key (never creates it) or, with create, opens or creates it with its parents.
    bool openKey(std::wstring_view path, bool create);
    // The text of a value; empty when it is missing or empty. Raises for a value that is not text.
    std::wstring readString(std::wstring_view name);
    // Writes a REG_SZ value; raises "Failed to set data for '%s'" when that fails.
    void writeString(std::wstring_view name, std::wstring_view text);

private:
    HKEY root_;
    win32::RegKey key_;
};

}  // namespace ocellus
