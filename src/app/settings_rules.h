// How the settings store turns registry values into option values and back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ocellus::settings {

inline constexpr std::wstring_view kKeyPath = L"SOFTWARE\\Tarnwick\\Ocellus";
inline constexpr std::uint32_t kRegSz = 1, kRegExpandSz = 2;

// Text of a value from its raw registry data (type code, bytes, byte count as the
// registry query returns them). Empty data gives empty text; any other type than
// REG_SZ / REG_EXPAND_SZ raises ERegistryException. Expandable text is kept
// as stored. The data is UTF-16LE and ends at the first NUL, or is taken whole.
std::wstring textFromRegistryData(std::uint32_t type, const std::uint8_t* data, std::size_t size,
                                  std::wstring_view valueName);

// Empty text leaves the flag unchanged; otherwise only exactly "1" is true.
std::optional<bool> flagFromText(std::wstring_view text);

// Empty text leaves the value unchanged; otherwise the text must be a signed 32-bit
// integer, decimal or hexadecimal ("$", "x", "0x" prefix after the optional sign),
// optionally preceded by blanks (space and control characters 0x01..0x1F).
// Raises EConvertError for anything else.
std::optional<std::int32_t> integerFromText(std::wstring_view text);

std::wstring flagText(bool v);             // "1" / "0"
std::wstring integerText(std::int32_t v);  // plain decimal

// REG_SZ payload: UTF-16LE text plus terminating NUL.
std::vector<std::uint8_t> registryDataForText(std::wstring_view text);

}  // namespace ocellus::settings
