#include "about/myurllbl_rules.h"

namespace ocellus {

namespace {

// A find result of 0 (first character) or npos both disqualify.
bool standsAfterFirst(std::size_t at) { return at != std::wstring_view::npos && at >= 1; }

ShellRequest mailTo(std::wstring_view address, std::wstring_view subject) {
    std::wstring file = L"mailto:";
    file.append(address);
    if (!subject.empty()) file.append(L"?subject=").append(subject);
    return {false, false, std::move(file)};
}

}  // namespace

bool isEmailLike(std::wstring_view s) { return standsAfterFirst(s.find(L'@')) && standsAfterFirst(s.find(L'.')); }

std::optional<ShellRequest> linkClickAction(std::wstring_view emailAddress, std::wstring_view emailSubject,
                                            std::wstring_view url) {
    if (isEmailLike(emailAddress)) return mailTo(emailAddress, emailSubject);
    if (url.empty()) return std::nullopt;
    if (isEmailLike(url)) return mailTo(url, emailSubject);
    return ShellRequest{true, true, std::wstring(url)};
}

std::wstring captionAfterUrlSet(std::wstring_view caption, std::wstring_view name, std::wstring_view url) {
    if (caption.empty() || caption == name) return std::wstring(url);
    return std::wstring(caption);
}

}  // namespace ocellus
