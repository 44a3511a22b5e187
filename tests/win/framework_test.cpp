// The window framework under Wine: the error box, radio buttons and check boxes.
#include <gtest/gtest.h>

#include "base/exception.h"
#include "forms/application.h"
#include "forms/form.h"
#include "win32/seams.h"
#include "win_support.h"

using namespace forms;
using ocellus::Exception;
using win32::clWindowText;
using win32::restoreDefaultSeams;
using win32::seams;
using testing_support::pump;
using testing_support::pumpUntil;

namespace {

struct ErrorBoxCapture {
    std::vector<std::wstring> texts;
    std::vector<std::wstring> captions;
    std::vector<UINT> types;
    ErrorBoxCapture() {
        seams().messageBox = [this](HWND, const wchar_t* text, const wchar_t* caption, UINT type) {
            texts.emplace_back(text);
            captions.emplace_back(caption);
            types.push_back(type);
            return IDOK;
        };
        application().title = L"Ocellus";
    }
    ~ErrorBoxCapture() { restoreDefaultSeams(); }
};

constexpr FormDef kDef{L"TTestForm", L"TestForm", L"Test", 300, 200, {L"Tahoma", -10, 0, clWindowText}};

class TestForm : public Form {
public:
    explicit TestForm(std::span<const ControlRow> rows) : Form(nullptr) { create(kDef, rows); }
    void clickA(Component*) { ++clicksA; }
    void clickB(Component*) { ++clicksB; }
    void fail(Component*) { throw Exception(L"Something went wrong"); }
    int clicksA = 0, clicksB = 0;
};

}  // namespace

TEST(FrameworkErrorBox, AppendsFullStopOnlyAfterCharactersAboveIt) {
    ErrorBoxCapture box;
    guarded([] { throw Exception(L"Cannot open clipboard: Access denied"); });
    guarded([] { throw Exception(L"Ends with a stop."); });
    guarded([] { throw Exception(L"Ends with a bang!"); });  // '!' sorts below '.'
    ASSERT_EQ(box.texts.size(), 3u);
    EXPECT_EQ(box.texts[0], L"Cannot open clipboard: Access denied.");
    EXPECT_EQ(box.texts[1], L"Ends with a stop.");
    EXPECT_EQ(box.texts[2], L"Ends with a bang!");
    EXPECT_EQ(box.captions[0], L"Ocellus");
    EXPECT_EQ(box.types[0], static_cast<UINT>(MB_OK | MB_ICONERROR));
}

TEST(FrameworkErrorBox, HandlerErrorIsShownAndTheProgramGoesOn) {
    ErrorBoxCapture box;
    static constexpr ControlRow rows[] = {
        {.name = L"Boom", .make = kind<PushButton>, .bounds = {10, 10, 80, 24}, .caption = L"Boom", .tabOrder = 0,
         .onClick = handler<&TestForm::fail>},
        {.name = L"Fine", .make = kind<PushButton>, .bounds = {10, 40, 80, 24}, .caption = L"Fine", .tabOrder = 1,
         .onClick = handler<&TestForm::clickA>},
    };
    TestForm form(rows);
    ::SendMessageW(form.find<Control>(L"Boom")->handle(), BM_CLICK, 0, 0);
    ::SendMessageW(form.find<Control>(L"Fine")->handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(box.texts.size(), 1u);
    EXPECT_EQ(box.texts[0], L"Something went wrong.");
    EXPECT_EQ(form.clicksA, 1);
}

TEST(FrameworkControls, RadioButtonsAreExclusiveAndCodeChecksRaiseClicks) {
    static constexpr ControlRow rows[] = {
        {.name = L"A", .make = kind<RadioButton>, .bounds = {10, 10, 80, 16}, .caption = L"A", .tabOrder = 0,
         .tag = 1, .onClick = handler<&TestForm::clickA>},
        {.name = L"B", .make = kind<RadioButton>, .bounds = {10, 30, 80, 16}, .caption = L"B", .tabOrder = 1,
         .tag = 2, .onClick = handler<&TestForm::clickB>},
    };
    TestForm form(rows);
    auto* a = form.find<RadioButton>(L"A");
    auto* b = form.find<RadioButton>(L"B");
    a->setChecked(true);
    EXPECT_EQ(form.clicksA, 1);
    a->setChecked(true);  // no change, no event
    EXPECT_EQ(form.clicksA, 1);
    ::SendMessageW(b->handle(), BM_CLICK, 0, 0);  // as a user click
    EXPECT_TRUE(b->checked());
    EXPECT_FALSE(a->checked());
    EXPECT_EQ(form.clicksB, 1);
}

TEST(FrameworkControls, CheckBoxStateFollowsEveryWayOfChangingIt) {
    static constexpr ControlRow rows[] = {
        {.name = L"C", .make = kind<CheckBox>, .bounds = {10, 10, 80, 16}, .caption = L"C", .tabOrder = 0,
         .onClick = handler<&TestForm::clickA>},
    };
    TestForm form(rows);
    auto* c = form.find<CheckBox>(L"C");
    auto matches = [&] { return c->checked() == (::SendMessageW(c->handle(), BM_GETCHECK, 0, 0) == BST_CHECKED); };
    ::SendMessageW(c->handle(), BM_CLICK, 0, 0);  // a user click
    EXPECT_TRUE(c->checked());
    EXPECT_EQ(form.clicksA, 1);
    ::SendMessageW(c->handle(), BM_SETCHECK, BST_UNCHECKED, 0);  // set from outside, no event
    EXPECT_FALSE(c->checked());
    EXPECT_EQ(form.clicksA, 1);
    c->setChecked(true);
    EXPECT_TRUE(c->checked() && matches());
    EXPECT_EQ(form.clicksA, 2);
    ::SendMessageW(c->handle(), WM_KEYDOWN, VK_SPACE, 0);  // the keyboard's click
    ::SendMessageW(c->handle(), WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_TRUE(matches());
    EXPECT_FALSE(c->checked());
    EXPECT_EQ(form.clicksA, 3);
}
