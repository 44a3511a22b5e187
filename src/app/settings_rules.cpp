#include "app/settings_rules.h"

#include "base/exception.h"

namespace ocellus::settings {

std::wstring textFromRegistryData(std::uint32_t type, const std::uint8_t* data, std::size_t size,
                                  std::wstring_view valueName) {
    if (size == 0 || data == nullptr) return {};
    if (type != kRegSz && type != kRegExpandSz)
        throw ERegistryException(formatMessage(L"Invalid data type for '%s'", valueName));

    // Registry buffers carry no alignment guarantee, so code units are assembled byte-wise.
    const std::size_t units = size / 2;
    std::wstring text;
    for (std::size_t i = 0; i < units; ++i) {
        const auto unit = static_cast<std::uint16_t>(data[2 * i] | (data[2 * i + 1] << 8));
        if (unit == 0) break;
        text.push_back(static_cast<wchar_t>(unit));
    }
    return text;
}

std::optional<bool> flagFromText(std::wstring_view text) {
    if (text.empty()) return std::nullopt;
    return text == L"1";
}

namespace {

[[noreturn]] void notAnInteger(std::wstring_view text) {
    throw EConvertError(formatMessage(L"'%s' is not a valid integer value", text));
}

int digitValue(wchar_t c, bool hex) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (hex && c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (hex && c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

}  // namespace

std::optional<std::int32_t> integerFromText(std::wstring_view text) {
    if (text.empty()) return std::nullopt;

    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] != L'\0' && static_cast<std::uint32_t>(text[i]) <= 0x20) ++i;

    bool negative = false;
    if (i < n && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }

    bool hex = false;
    if (i < n && (text[i] == L'$' || text[i] == L'x' || text[i] == L'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
        hex = true;
        i += 2;
    }

    const std::uint64_t base = hex ? 16 : 10;
    const std::uint64_t limit = negative ? 2147483648ull : 2147483647ull;
    std::uint64_t magnitude = 0;
    const std::size_t firstDigit = i;
    for (; i < n; ++i) {
        const int d = digitValue(text[i], hex);
        if (d < 0) notAnInteger(text);
        // Checked per digit so that arbitrarily long texts cannot overflow the accumulator.
        magnitude = magnitude * base + static_cast<std::uint64_t>(d);
        if (magnitude > limit) notAnInteger(text);
    }
    if (i == firstDigit) notAnInteger(text);

    if (negative) return static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude));
    return static_cast<std::int32_t>(magnitude);
}

std::wstring flagText(bool v) { return v ? L"1" : L"0"; }

std::wstring integerText(std::int32_t v) {
    std::int64_t magnitude = v;
    const bool negative = magnitude < 0;
    if (negative) magnitude = -magnitude;
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) digits.insert(digits.begin(), L'-');
    return digits;
}

std::vector<std::uint8_t> registryDataForText(std::wstring_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve((text.size() + 1) * 2);
    auto put = [&bytes](std::uint32_t unit) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
    };
    for (wchar_t c : text) {
        const auto cp = static_cast<std::uint32_t>(c);
        // Only reachable where wchar_t is 32-bit: keep such characters as UTF-16 pairs.
        if (cp > 0xFFFF && cp <= 0x10FFFF) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else if (cp > 0x10FFFF) {
            put(0xFFFD);
        } else {
            put(cp);
        }
    }
    put(0);
    return bytes;
}

}  // namespace ocellus::settings
