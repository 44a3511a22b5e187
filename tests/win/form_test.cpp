// A form's lifetime (the order of its first events, its destroy event, a constructor that fails), the
// binding of windows to controls, and the layout of table-built forms.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/exception.h"
#include "forms/application.h"
#include "forms/form.h"
#include "forms/timer.h"
#include "small_form.h"
#include "win_support.h"

using namespace forms;

namespace {

class LifeForm : public Form {
public:
    LifeForm(std::vector<std::string>& log, bool failOnCreate);
    Panel* Box = nullptr;
    Timer* Ticker = nullptr;
    void FormCreate(Component*) {
        log_.push_back("create");
        if (failOnCreate_) throw ocellus::Exception(L"Cannot start");
    }
    void FormResize(Component*) { log_.push_back(Box && Box->handle() ? "resize, box made" : "resize, no box"); }
    // Reads a member of the derived class: on a destroyed object it would not say "intact".
    void FormDestroy(Component*) { log_.push_back("destroy, " + state_); }
    void TickerTimer(Component*) { log_.push_back("tick"); }

private:
    std::vector<std::string>& log_;
    bool failOnCreate_;
    std::string state_ = "intact";
};

constexpr FormDef kLifeDef = [] {
    FormDef d = testing_support::smallForm(L"TLifeForm", L"LifeForm");
    d.onCreate = handler<&LifeForm::FormCreate>;
    d.onResize = handler<&LifeForm::FormResize>;
    d.onDestroy = handler<&LifeForm::FormDestroy>;
    return d;
}();

constexpr ControlRow kLifeRows[] = {
    {.name = L"Box", .make = member<&LifeForm::Box>, .bounds = {10, 10, 100, 50}, .anchors = akLeft | akTop | akRight},
};
constexpr TimerRow kLifeTimers[] = {
    {.name = L"Ticker", .make = member<&LifeForm::Ticker>, .interval = 10, .onTimer = handler<&LifeForm::TickerTimer>},
};

LifeForm::LifeForm(std::vector<std::string>& log, bool failOnCreate)
    : Form(nullptr), log_(log), failOnCreate_(failOnCreate) {
    create(kLifeDef, kLifeRows, kLifeTimers);
}

using Log = std::vector<std::string>;

// Pumps until two steps of the Ticker's interval have run one after the other: by then a tick still
// due, from a timer started earlier, would have come too.
void pumpPastATick() {
    testing_support::StepsCleanup cleanup;
    bool done = false;
    const unsigned ms = kLifeTimers[0].interval;
    testing_support::later(ms, [&] { testing_support::later(ms, [&] { done = true; }); });
    EXPECT_TRUE(testing_support::pumpUntil([&] { return done; })) << "no timer ticked";
}

}  // namespace

TEST(FormLifetime, TheFirstResizeComesOnceTheControlsExistThenTheCreateEvent) {
    Log log;
    auto form = makeForm<LifeForm>(log, false);
    EXPECT_EQ(log, (Log{"resize, box made", "create"}));
    ASSERT_NE(form->Box, nullptr);
    EXPECT_EQ(form->Box->width(), 100);
    EXPECT_EQ(form->Ticker, form->find<Timer>(L"Ticker"));
    // The anchors hold from the first resize on.
    form->setClientSize(300, 100);
    EXPECT_EQ(form->Box->width(), 200);
}

TEST(FormLifetime, TheDestroyEventRunsOnceWhileTheWholeFormExists) {
    Log log;
    auto form = makeForm<LifeForm>(log, false);
    const HWND window = form->handle(), box = form->Box->handle();
    form->destroyWindow();  // as the owner may, ahead of the object
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_FALSE(::IsWindow(box));
    EXPECT_EQ(form->handle(), nullptr);
    EXPECT_EQ(form->Box->handle(), nullptr);
    form.reset();
    pumpPastATick();  // none reaches a form that is gone
    EXPECT_EQ(log, (Log{"resize, box made", "create", "destroy, intact"}));
}

TEST(FormLifetime, AConstructorThatThrowsLeavesNothingBehind) {
    Log warmUp;
    makeForm<LifeForm>(warmUp, false).reset();  // first-use costs: class registration, the timer window
    const int objects = testing_support::gdiObjectCount(), windows = testing_support::userObjectCount();

    Log log;
    EXPECT_THROW(makeForm<LifeForm>(log, true), ocellus::Exception);
    pumpPastATick();
    EXPECT_EQ(log, (Log{"resize, box made", "create"}));  // no destroy event for a form never made, no tick
    EXPECT_EQ(::FindWindowW(L"TLifeForm", nullptr), nullptr);
    EXPECT_EQ(application().mainForm, nullptr);
    EXPECT_EQ(testing_support::gdiObjectCount(), objects);
    EXPECT_EQ(testing_support::userObjectCount(), windows);
}

// ----- binding and layout -----

namespace {

// Records whether the control knew its window at each creation message.
class ProbePanel : public Panel {
public:
    using Panel::Panel;
    std::vector<std::pair<UINT, bool>> seen;
    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_NCCREATE || msg == WM_CREATE || msg == WM_NCCALCSIZE) seen.emplace_back(msg, handle() != nullptr);
        return Panel::handleMessage(msg, wp, lp, result);
    }
};

class PlainForm : public Form {
public:
    explicit PlainForm(std::span<const ControlRow> rows) : Form(nullptr) { create(kPlainDef, rows); }
    void FormResize(Component*) { ++resizes; }
    int resizes = 0;

private:
    static constexpr FormDef kPlainDef = [] {
        FormDef d = testing_support::smallForm(L"TPlainForm", L"PlainForm");
        d.onResize = handler<&PlainForm::FormResize>;
        return d;
    }();
};

constexpr ControlRow kPlainRows[] = {
    {.name = L"Probe", .make = kind<ProbePanel>, .bounds = {10, 10, 50, 30}},
    {.name = L"Corner", .make = kind<Label>, .parent = L"Probe", .bounds = {30, 10, 15, 13}, .caption = L"x",
     .anchors = akRight | akBottom, .autoSize = false},
    {.name = L"Check", .make = kind<CheckBox>, .bounds = {10, 50, 80, 16}, .caption = L"C"},
    {.name = L"Go", .make = kind<PushButton>, .bounds = {100, 50, 80, 24}, .caption = L"Go", .isDefault = true},
    {.name = L"Strip", .make = kind<Panel>, .bounds = {0, 0, 10, 20}, .dock = Dock::Bottom},
};

}  // namespace

TEST(FormBinding, OurWindowsKnowTheirHandleFromTheFirstMessageAndNoneOutlivesItsControl) {
    auto form = makeForm<PlainForm>(kPlainRows);
    const auto& seen = form->find<ProbePanel>(L"Probe")->seen;
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front().first, static_cast<UINT>(WM_NCCREATE));
    for (const auto& [msg, known] : seen) EXPECT_TRUE(known) << "message " << msg;

    std::vector<HWND> windows{form->handle()};
    for (const wchar_t* name : {L"Probe", L"Corner", L"Check", L"Go", L"Strip"}) {
        Control* c = form->find<Control>(name);
        EXPECT_EQ(Control::fromHandle(c->handle()), c);
        windows.push_back(c->handle());
    }
    // The default button has the id dialog navigation gives Enter.
    EXPECT_EQ(::GetDlgCtrlID(form->find<Control>(L"Go")->handle()), IDOK);
    form.reset();
    for (HWND w : windows) EXPECT_EQ(Control::fromHandle(w), nullptr);
}

TEST(FormBinding, ScaleToRaisesOneResizeAndAnchorsKeepTheScaledDistances) {
    auto form = makeForm<PlainForm>(kPlainRows);
    Control& probe = *form->find<Control>(L"Probe");
    Control& corner = *form->find<Control>(L"Corner");
    Control& strip = *form->find<Control>(L"Strip");
    EXPECT_EQ(form->resizes, 1);
    EXPECT_EQ(strip.top(), 100 - 20);
    EXPECT_EQ(strip.width(), 200);

    form->scaleTo(150);
    EXPECT_EQ(form->resizes, 2);
    EXPECT_EQ(form->clientWidth(), 300);
    EXPECT_EQ(probe.width(), 75);
    EXPECT_EQ(corner.left(), 45);
    EXPECT_EQ(strip.top(), 150 - 30);

    // The corner label keeps the scaled distance (75 - 45 - 23 = 7) to its panel's right edge.
    EXPECT_EQ(corner.width(), 23);
    probe.setWidth(100);
    EXPECT_EQ(corner.left(), 100 - 7 - 23);
    form->setClientSize(400, 200);
    EXPECT_EQ(strip.top(), 200 - 30);
    EXPECT_EQ(strip.width(), 400);
}

// ----- the first message, parents that go first, rows naming no parent -----

namespace {

// Records its first messages, and whether it was bound to its window at each.
class FirstMessageForm : public Form {
public:
    FirstMessageForm() : Form(nullptr) { create(kFirstDef); }
    std::vector<std::pair<UINT, bool>> first;
    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (first.size() < 3) first.emplace_back(msg, handle() && fromHandle(handle()) == this);
        return Form::handleMessage(msg, wp, lp, result);
    }

private:
    static constexpr FormDef kFirstDef = testing_support::smallForm(L"TFirstMessageForm", L"FirstMessageForm");
};

class TrapPanel : public Panel, public testing_support::FaultOnUseAfterDelete {
public:
    using Panel::Panel;
};

}  // namespace

TEST(FormBinding, ATopLevelFormIsBoundForTheMinMaxQueryThatComesBeforeNcCreate) {
    auto form = makeForm<FirstMessageForm>();
    ASSERT_GE(form->first.size(), 2u);
    EXPECT_EQ(form->first[0].first, static_cast<UINT>(WM_GETMINMAXINFO));
    for (const auto& [msg, bound] : form->first) EXPECT_TRUE(bound) << "message " << msg;
}

TEST(FormOwnership, AParentFreedBeforeItsChildTakesTheChildsWindowAndIsForgotten) {
    auto form = makeForm<PlainForm>(std::span<const ControlRow>{});
    // Owned elsewhere, so it goes first; its pages go with it, and any later use of it faults.
    auto holder = std::make_unique<Component>(nullptr);
    auto& box = holder->add<TrapPanel>(form.get());
    box.setBounds(10, 10, 100, 50);
    box.createWindow();
    auto& child = form->add<Label>(&box);
    child.setCaption(L"x");
    child.createWindow();
    const HWND childWindow = child.handle();
    ASSERT_TRUE(::IsWindow(childWindow));

    holder.reset();
    EXPECT_EQ(child.parent(), nullptr);
    EXPECT_EQ(child.form(), nullptr);
    EXPECT_FALSE(::IsWindow(childWindow));
    EXPECT_EQ(child.handle(), nullptr);
    EXPECT_EQ(Control::fromHandle(childWindow), nullptr);
    EXPECT_TRUE(form->children().empty());
    form.reset();  // the child goes last, touching nothing of the panel
}

TEST(FormOwnership, ARowNamingAParentNoEarlierRowMakesIsAnErrorNamingIt) {
    static constexpr ControlRow rows[] = {
        {.name = L"Orphan", .make = kind<Label>, .parent = L"Later", .bounds = {5, 5, 20, 13}, .caption = L"x"},
        {.name = L"Later", .make = kind<Panel>, .bounds = {0, 0, 50, 50}},
    };
    try {
        makeForm<PlainForm>(rows);
        ADD_FAILURE() << "the form was built";
    } catch (const ocellus::EAssertionFailed& e) {
        EXPECT_NE(e.message().find(L"'Orphan'"), std::wstring::npos);
        EXPECT_NE(e.message().find(L"'Later'"), std::wstring::npos);
    }
    EXPECT_EQ(::FindWindowW(L"TPlainForm", nullptr), nullptr);
}
