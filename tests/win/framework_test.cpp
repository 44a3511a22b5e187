// The window framework under Wine: the error box, radio buttons and check boxes.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/exception.h"
#include "forms/application.h"
#include "forms/form.h"
#include "forms/timer.h"
#include "win32/seams.h"
#include "win_support.h"

using namespace forms;
using ocellus::Exception;
using win32::clWindowText;
using win32::restoreDefaultSeams;
using win32::seams;
using testing_support::gdiObjectCount;
using testing_support::later;
using testing_support::pump;
using testing_support::pumpUntil;
using testing_support::StepsCleanup;
using testing_support::userObjectCount;

namespace {

struct ErrorBoxCapture {
    std::vector<std::wstring> texts;
    std::vector<std::wstring> captions;
    std::vector<UINT> types;
    std::vector<HWND> owners;
    ErrorBoxCapture() {
        seams().messageBox = [this](HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
            owners.push_back(owner);
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
    explicit TestForm(std::span<const ControlRow> rows, Component* owner = nullptr) : Form(owner) {
        create(kDef, rows);
    }
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

// While a modal dialog runs, a box is the dialog's, even for an error of its disabled owner.
TEST(FrameworkErrorBox, HandlerErrorIsShownOwnedByItsModalDialogAndTheProgramGoesOn) {
    StepsCleanup cleanup;
    ErrorBoxCapture box;
    static constexpr ControlRow rows[] = {
        {.name = L"Boom", .make = kind<PushButton>, .bounds = {10, 10, 80, 24}, .caption = L"Boom", .tabOrder = 0,
         .onClick = handler<&TestForm::fail>},
        {.name = L"Fine", .make = kind<PushButton>, .bounds = {10, 40, 80, 24}, .caption = L"Fine", .tabOrder = 1,
         .onClick = handler<&TestForm::clickA>},
    };
    TestForm main({});
    main.show();
    TestForm form(rows, &main);
    later(20, [&form, &main] {
        ::SendMessageW(form.find<Control>(L"Boom")->handle(), BM_CLICK, 0, 0);
        ::SendMessageW(form.find<Control>(L"Fine")->handle(), BM_CLICK, 0, 0);
        guarded([] { throw Exception(L"Tick failed"); }, main.handle());
        form.modalResult = 1;
    });
    form.showModal();
    ASSERT_EQ(box.texts.size(), 2u);
    EXPECT_EQ(box.texts[0], L"Something went wrong.");
    EXPECT_EQ(box.owners[0], form.handle());
    EXPECT_EQ(box.owners[1], form.handle());
    EXPECT_EQ(form.clicksA, 1);
}

namespace {

// A timer handler that fails at every tick, as a failing capture would.
class TickingForm : public Form {
public:
    TickingForm();
    Timer* Ticker = nullptr;
    void TickerTimer(Component*) {
        ++ticks;
        throw Exception(L"Tick failed");
    }
    int ticks = 0;
};

constexpr TimerRow kTicker[] = {
    {.name = L"Ticker", .make = member<&TickingForm::Ticker>, .interval = 2,
     .onTimer = handler<&TickingForm::TickerTimer>},
};

TickingForm::TickingForm() : Form(nullptr) { create(kDef, {}, kTicker); }

BOOL CALLBACK collectBox(HWND h, LPARAM lp) {
    wchar_t cls[16] = {};
    ::GetClassNameW(h, cls, 16);
    if (std::wstring_view(cls) == L"#32770" && ::IsWindowVisible(h))
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
    return TRUE;
}

// The dialog boxes this thread shows.
std::vector<HWND> openBoxes() {
    std::vector<HWND> boxes;
    ::EnumThreadWindows(::GetCurrentThreadId(), collectBox, reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}

}  // namespace

// The real box: its own modal loop goes on delivering the failing ticks.
TEST(FrameworkErrorBox, AHandlerFailingAtEveryTickShowsOneBoxAtATimeOwnedByItsForm) {
    StepsCleanup cleanup;
    application().title = L"Ocellus";
    auto form = makeForm<TickingForm>();
    form->Ticker->setEnabled(false);
    form->show();
    // The first box's costs (its fonts, icons and such) are the system's to keep.
    later(50, [] {
        for (HWND box : openBoxes()) ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    guarded([] { throw Exception(L"Warm-up"); });
    pump(50);
    const int objects = gdiObjectCount(), windows = userObjectCount();

    struct Round {
        std::size_t most = 0;
        int samplesWithABox = 0;
        int firstTick = -1, lastTick = -1;  // the ticks seen while a box was open
        bool ownedByTheForm = true, formDisabled = true;
    };
    Round rounds[2];
    bool done = false;
    // Samples every 20 ms for a round's length, then closes the box (or all of them, at once, should
    // they pile up).
    std::function<void(int, int)> watch = [&](int round, int left) {
        const std::vector<HWND> boxes = openBoxes();
        Round& r = rounds[round];
        r.most = std::max(r.most, boxes.size());
        if (!boxes.empty()) {
            if (r.firstTick < 0) r.firstTick = form->ticks;
            r.lastTick = form->ticks;
        }
        for (HWND box : boxes) {
            ++r.samplesWithABox;
            r.ownedByTheForm = r.ownedByTheForm && ::GetWindow(box, GW_OWNER) == form->handle();
            r.formDisabled = r.formDisabled && !::IsWindowEnabled(form->handle());
        }
        if (left > 0 && boxes.size() <= 1) {
            later(20, [&watch, round, left] { watch(round, left - 1); });
            return;
        }
        if (round == 1 || boxes.size() > 1) {
            form->Ticker->setEnabled(false);
            done = true;
        } else {
            later(20, [&watch] { watch(1, 25); });  // the next box, after this one
        }
        for (HWND box : boxes) ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    };
    later(20, [&watch] { watch(0, 100); });
    form->Ticker->setEnabled(true);
    ASSERT_TRUE(pumpUntil([&] { return done; }, 15000));
    pumpUntil([] { return openBoxes().empty(); });

    EXPECT_EQ(rounds[0].most, 1u);
    EXPECT_GT(rounds[0].samplesWithABox, 50);
    EXPECT_GT(rounds[0].lastTick - rounds[0].firstTick, 10) << "ticks kept failing behind the box";
    // Closed, the program goes on, and the next error gets a box of its own.
    EXPECT_EQ(rounds[1].most, 1u);
    EXPECT_TRUE(rounds[0].ownedByTheForm && rounds[1].ownedByTheForm);
    EXPECT_TRUE(rounds[0].formDisabled && rounds[1].formDisabled);
    EXPECT_TRUE(openBoxes().empty());
    EXPECT_TRUE(::IsWindowEnabled(form->handle()));
    EXPECT_EQ(gdiObjectCount(), objects);
    EXPECT_EQ(userObjectCount(), windows);
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
