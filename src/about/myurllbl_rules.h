// What a click on a link label opens, and how its caption follows the URL.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ocellus {

// True when the first '@' and the first '.' both exist and neither is the first character.
bool isEmailLike(std::wstring_view s);

// A shell-open request. verbEmpty false means a null verb (the default action).
struct ShellRequest {
    bool ownerIsApplication;
    bool verbEmpty;
    std::wstring file;
};

// The e-mail address wins over the URL; a URL that looks like an address is mailed too.
std::optional<ShellRequest> linkClickAction(std::wstring_view emailAddress, std::wstring_view emailSubject,
                                            std::wstring_view url);

// An unset caption (empty, or still the control's name) shows the URL.
std::wstring captionAfterUrlSet(std::wstring_view caption, std::wstring_view name, std::wstring_view url);

}  // namespace ocellus
