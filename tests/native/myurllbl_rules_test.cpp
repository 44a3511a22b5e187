#include "about/myurllbl_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using ocellus::isEmailLike;
using ocellus::linkClickAction;

TEST(MyUrlLblRules, EmailLikeTable) {
    const struct {
        const wchar_t* text;
        bool expected;
    } cases[] = {
        {L"a@b.c", true},
        {L"a.b@c", true},             // '.' before '@' is fine
        {L"ab", false},
        {L"", false},
        {L"@a.b", false},             // first '@' at position 1
        {L".a@b", false},             // first '.' at position 1
        {L"@a@b.c", false},           // a later '@' does not count
        {L".a.b@c", false},           // nor a later '.'
        {L"a@b", false},
        {L"a.b", false},
        {L"www.example.com", false},
        {L"x@.", true},
    };
    for (const auto& c : cases) EXPECT_EQ(isEmailLike(c.text), c.expected) << testing::PrintToString(std::wstring(c.text));
}

struct Click {
    const wchar_t* address;
    const wchar_t* subject;
    const wchar_t* url;
    bool opens;
    bool ownerIsApplication;
    bool verbEmpty;
    const wchar_t* file;
};

TEST(MyUrlLblRules, ClickTable) {
    const Click cases[] = {
        {L"a@b.c", L"Ocellus", L"", true, false, false, L"mailto:a@b.c?subject=Ocellus"},
        {L"a@b.c", L"", L"", true, false, false, L"mailto:a@b.c"},
        // Address wins over URL.
        {L"a@b.c", L"Hi", L"http://example.com", true, false, false, L"mailto:a@b.c?subject=Hi"},
        // Subject is passed as is.
        {L"a@b.c", L"A & B?", L"", true, false, false, L"mailto:a@b.c?subject=A & B?"},
        // Rejected addresses fall through to the URL.
        {L"@b.c", L"S", L"", false, false, false, L""},
        {L".a@b.c", L"S", L"http://x.org", true, true, true, L"http://x.org"},
        {L"ab.c", L"", L"http://x.org", true, true, true, L"http://x.org"},
        {L"a@bc", L"", L"http://x.org", true, true, true, L"http://x.org"},
        // A URL holding an address is mailed, with the subject.
        {L"", L"Ocellus", L"me@x.org", true, false, false, L"mailto:me@x.org?subject=Ocellus"},
        {L"", L"", L"me@x.org", true, false, false, L"mailto:me@x.org"},
        // Plain URLs open with the default action, owned by the application window.
        {L"", L"Ocellus", L"http://tarnwick.example/ocellus", true, true, true, L"http://tarnwick.example/ocellus"},
        {L"", L"", L"@x.org", true, true, true, L"@x.org"},
        {L"", L"", L"", false, false, false, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case index " << (&c - cases));
        const auto action = linkClickAction(c.address, c.subject, c.url);
        ASSERT_EQ(action.has_value(), c.opens);
        if (!action) continue;
        EXPECT_EQ(action->ownerIsApplication, c.ownerIsApplication);
        EXPECT_EQ(action->verbEmpty, c.verbEmpty);
        EXPECT_EQ(action->file, c.file);
    }
}

TEST(MyUrlLblRules, CaptionAfterUrlSet) {
    const struct {
        const wchar_t* caption;
        const wchar_t* name;
        const wchar_t* url;
        const wchar_t* expected;
    } cases[] = {
        {L"", L"UrlLabel1", L"http://x.org", L"http://x.org"},
        {L"UrlLabel1", L"UrlLabel1", L"http://x.org", L"http://x.org"},
        {L"urllabel1", L"UrlLabel1", L"http://x.org", L"urllabel1"},  // comparison is exact
        {L"Home page", L"UrlLabel1", L"http://x.org", L"Home page"},
        {L"", L"", L"", L""},
        {L"Home page", L"UrlLabel1", L"", L"Home page"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ocellus::captionAfterUrlSet(c.caption, c.name, c.url), c.expected)
            << testing::PrintToString(std::wstring(c.caption));
}

}  // namespace
