// Error types carried through the program. Platform-free so that rule code can raise them.
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace ocellus {

class Exception : public std::exception {
public:
    explicit Exception(std::wstring message) : message_(std::move(message)) {
        narrow_.reserve(message_.size());
        for (wchar_t c : message_) narrow_.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    const std::wstring& message() const noexcept { return message_; }
    const char* what() const noexcept override { return narrow_.c_str(); }

private:
    std::wstring message_;
    std::string narrow_;
};

// A text that is not a number (settings store); caught by the guarded load group.
class EConvertError : public Exception { using Exception::Exception; };
// Wrong registry value type, or a value that cannot be written.
class ERegistryException : public Exception { using Exception::Exception; };
class EAssertionFailed : public Exception { using Exception::Exception; };
class EOutOfResources : public Exception { using Exception::Exception; };
class EClipboardException : public Exception { using Exception::Exception; };

// Replaces the first "%s" in pattern by arg.
inline std::wstring formatMessage(std::wstring_view pattern, std::wstring_view arg) {
    std::wstring out(pattern);
    if (auto at = out.find(L"%s"); at != std::wstring::npos) out.replace(at, 2, arg);
    return out;
}

// The standard error box appends a full stop when the text ends in a character sorting above '.'.
inline std::wstring errorBoxText(std::wstring text) {
    if (!text.empty() && text.back() > L'.') text.push_back(L'.');
    return text;
}

}  // namespace ocellus
