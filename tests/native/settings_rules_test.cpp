#include "app/settings_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/exception.h"

namespace {

using namespace ocellus::settings;

std::vector<std::uint8_t> utf16le(std::wstring_view s) {
    std::vector<std::uint8_t> out;
    for (wchar_t c : s) {
        out.push_back(static_cast<std::uint8_t>(c & 0xFF));
        out.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    return out;
}

std::wstring decode(const std::vector<std::uint8_t>& bytes, std::uint32_t type = kRegSz) {
    return textFromRegistryData(type, bytes.data(), bytes.size(), L"Left");
}

struct Accepted {
    const wchar_t* text;
    std::int32_t value;
};

TEST(SettingsRules, IntegerAcceptedTexts) {
    const Accepted cases[] = {
        {L"0", 0},
        {L"500", 500},
        {L"  500", 500},
        {L"\t\r\n 7", 7},
        {L"-2000", -2000},
        {L"+7", 7},
        {L"007", 7},
        {L"$64", 100},
        {L"x1F", 31},
        {L"X1f", 31},
        {L"0XfF", 255},
        {L"0x0", 0},
        {L"-0x10", -16},
        {L"+$A", 10},
        {L" -$1", -1},
        {L"2147483647", INT32_MAX},
        {L"-2147483648", INT32_MIN},
        {L"$7FFFFFFF", INT32_MAX},
        {L"-$80000000", INT32_MIN},
        {L"00000000000000000000000042", 42},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "text index " << (&c - cases));
        const auto v = integerFromText(c.text);
        ASSERT_TRUE(v.has_value());
        EXPECT_EQ(*v, c.value);
    }
}

TEST(SettingsRules, IntegerRejectedTexts) {
    const std::wstring cases[] = {
        L"2147483648", L"-2147483649", L"$80000000", L"-$80000001", L"$FFFFFFFF",
        L"99999999999999999999", L"-99999999999999999999999999999", L"400px", L"abc", L"1 ",
        L"-", L"+", L"$", L"x", L"0x", L"-0x", L"  ", L"+-1", L"--1", L"$-1", L"0x-1", L"1.5",
        L"1,000", L"$G", L"0b101", L"1e3", L"\x0661", std::wstring(L"1\0" L"2", 3),
        std::wstring(L"\0" L"5", 2), std::wstring(L"5\0", 2), L"\x7F" L"1", L"0x$1", L"00x1",
    };
    for (const auto& text : cases) {
        SCOPED_TRACE(testing::Message() << "text index " << (&text - cases));
        EXPECT_THROW(integerFromText(text), ocellus::EConvertError);
    }
}

TEST(SettingsRules, IntegerErrorMessageQuotesTheText) {
    try {
        integerFromText(L"400px");
        FAIL() << "no exception";
    } catch (const ocellus::EConvertError& e) {
        EXPECT_EQ(e.message(), L"'400px' is not a valid integer value");
    }
}

TEST(SettingsRules, FlagTexts) {
    EXPECT_EQ(flagFromText(L""), std::nullopt);
    EXPECT_EQ(flagFromText(L"1"), true);
    for (const wchar_t* text : {L"0", L"01", L"10", L"true", L"yes", L" 1", L"1 ", L"2", L"-1"})
        EXPECT_EQ(flagFromText(text), false) << testing::PrintToString(std::wstring(text));
    EXPECT_EQ(flagFromText(std::wstring(L"1\0", 2)), false);
}

TEST(SettingsRules, DecodeTerminationAndOddSizes) {
    EXPECT_EQ(decode(utf16le(L"300")), L"300");                        // no NUL at all
    EXPECT_EQ(decode(registryDataForText(L"300")), L"300");            // NUL-terminated
    EXPECT_EQ(decode(utf16le(std::wstring(L"12\0" L"34", 5))), L"12");  // stops at first NUL
    auto odd = utf16le(L"42");
    odd.push_back('7');
    EXPECT_EQ(decode(odd), L"42");                                     // trailing odd byte dropped
    EXPECT_EQ(decode(std::vector<std::uint8_t>{'9'}), L"");
    EXPECT_EQ(decode(utf16le(L"\x20AC\xFFFF")), L"\x20AC\xFFFF");      // high byte honoured
    EXPECT_EQ(decode(utf16le(L"%TEMP%"), kRegExpandSz), L"%TEMP%");    // not expanded
}

TEST(SettingsRules, DecodeEmptyDataIgnoresType) {
    const std::uint8_t byte = 0;
    EXPECT_EQ(textFromRegistryData(4, &byte, 0, L"OnTop"), L"");
    EXPECT_EQ(textFromRegistryData(4, nullptr, 8, L"OnTop"), L"");
    EXPECT_EQ(textFromRegistryData(kRegSz, nullptr, 0, L"OnTop"), L"");
}

TEST(SettingsRules, DecodeWrongTypeMessage) {
    const auto bytes = utf16le(L"1");
    for (std::uint32_t type : {0u, 3u, 4u, 7u, 11u, 0xFFFFFFFFu}) {
        try {
            textFromRegistryData(type, bytes.data(), bytes.size(), L"OnTop");
            ADD_FAILURE() << "type " << type << " accepted";
        } catch (const ocellus::ERegistryException& e) {
            EXPECT_EQ(e.message(), L"Invalid data type for 'OnTop'");
        }
    }
}

TEST(SettingsRules, RandomTextsOnlyRaiseConvertError) {
    std::mt19937 rng(20240611);
    const std::wstring alphabet = L"0123456789abcdefABCDEFxX$+- \t\0.g";
    std::uniform_int_distribution<int> length(0, 24);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 40000; ++round) {
        std::wstring text;
        const int len = length(rng);
        if (round % 2 == 0) {
            for (int i = 0; i < len; ++i) text.push_back(alphabet[pick(rng)]);
        } else {
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(len));
            for (auto& b : bytes) b = static_cast<std::uint8_t>(byte(rng));
            text = decode(bytes);
        }
        try {
            const auto v = integerFromText(text);
            if (v) {
                EXPECT_EQ(integerFromText(integerText(*v)), v);
            }
        } catch (const ocellus::EConvertError&) {
        }
    }
}

}  // namespace
