// A form's lifetime: the order of its first events, its destroy event, and a constructor that fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/exception.h"
#include "forms/application.h"
#include "forms/form.h"
#include "forms/timer.h"
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

constexpr FormDef kLifeDef{.className = L"TLifeForm",
                           .name = L"LifeForm",
                           .caption = L"Life",
                           .clientWidth = 200,
                           .clientHeight = 100,
                           .font = {L"Tahoma", -10, 0, win32::clWindowText},
                           .onCreate = handler<&LifeForm::FormCreate>,
                           .onResize = handler<&LifeForm::FormResize>,
                           .onDestroy = handler<&LifeForm::FormDestroy>};

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
    testing_support::pump(50);  // no tick reaches a form that is gone
    EXPECT_EQ(log, (Log{"resize, box made", "create", "destroy, intact"}));
}

TEST(FormLifetime, AConstructorThatThrowsLeavesNothingBehind) {
    Log warmUp;
    makeForm<LifeForm>(warmUp, false).reset();  // first-use costs: class registration, the timer window
    const int objects = testing_support::gdiObjectCount(), windows = testing_support::userObjectCount();

    Log log;
    EXPECT_THROW(makeForm<LifeForm>(log, true), ocellus::Exception);
    testing_support::pump(50);
    EXPECT_EQ(log, (Log{"resize, box made", "create"}));  // no destroy event for a form never made, no tick
    EXPECT_EQ(::FindWindowW(L"TLifeForm", nullptr), nullptr);
    EXPECT_EQ(application().mainForm, nullptr);
    EXPECT_EQ(testing_support::gdiObjectCount(), objects);
    EXPECT_EQ(testing_support::userObjectCount(), windows);
}
