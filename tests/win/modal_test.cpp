// Modal loops that nest, and a key handler that destroys its own form.
#include <gtest/gtest.h>

#include "forms/application.h"
#include "forms/form.h"
#include "small_form.h"
#include "win_support.h"

using namespace forms;
using testing_support::later;
using testing_support::StepsCleanup;

namespace {

class Dialog : public Form {
public:
    explicit Dialog(Component* owner) : Form(owner) { create(kDialogDef); }

private:
    static constexpr FormDef kDialogDef = [] {
        FormDef d = testing_support::smallForm(L"TModalDialog", L"Dialog");
        d.border = BorderStyle::Dialog;
        return d;
    }();
};

// Destroys itself, through the pointer that holds it, on any key.
class SelfDestroyingForm : public Form, public testing_support::FaultOnUseAfterDelete {
public:
    explicit SelfDestroyingForm(FormPtr<SelfDestroyingForm>& holder);
    void FormKeyDown(Component*, WORD&, ShiftState) { holder_.reset(); }
    void FormKeyPress(Component*, wchar_t&) { holder_.reset(); }

private:
    FormPtr<SelfDestroyingForm>& holder_;
};

constexpr FormDef kSelfDestroyingDef = [] {
    FormDef d = testing_support::smallForm(L"TSelfDestroyingForm", L"SelfDestroyingForm");
    d.keyPreview = true;
    d.onKeyDown = handler<&SelfDestroyingForm::FormKeyDown>;
    d.onKeyPress = handler<&SelfDestroyingForm::FormKeyPress>;
    return d;
}();

constexpr ControlRow kSelfDestroyingRows[] = {
    {.name = L"Go", .make = kind<PushButton>, .bounds = {10, 10, 80, 24}, .caption = L"Go", .tabOrder = 0},
};

SelfDestroyingForm::SelfDestroyingForm(FormPtr<SelfDestroyingForm>& holder) : Form(nullptr), holder_(holder) {
    create(kSelfDestroyingDef, kSelfDestroyingRows);
}

}  // namespace

TEST(ModalLoops, AFormShownFromAnotherModalLoopLeavesTheOwnerAsThatLoopHasIt) {
    StepsCleanup cleanup;
    auto owner = makeForm<Dialog>(nullptr);
    owner->show();
    auto outer = makeForm<Dialog>(owner.get());
    auto inner = makeForm<Dialog>(owner.get());  // also owned by the main window, as an error box is
    bool ownerEnabledInside = true, ownerEnabledAfterInner = true;
    Form *modalInside = nullptr, *modalAfterInner = nullptr;
    later(20, [&] {
        later(20, [&] {
            ownerEnabledInside = ::IsWindowEnabled(owner->handle()) != FALSE;
            modalInside = application().modalForm();
            inner->modalResult = 1;
        });
        inner->showModal();
        ownerEnabledAfterInner = ::IsWindowEnabled(owner->handle()) != FALSE;
        modalAfterInner = application().modalForm();
        outer->modalResult = 1;
    });
    outer->showModal();
    EXPECT_FALSE(ownerEnabledInside);
    EXPECT_FALSE(ownerEnabledAfterInner) << "the inner loop enabled the owner while the outer one ran";
    EXPECT_EQ(modalInside, inner.get());
    EXPECT_EQ(modalAfterInner, outer.get());
    EXPECT_TRUE(::IsWindowEnabled(owner->handle()));
    EXPECT_EQ(application().modalForm(), nullptr);
}

// The form's pages are unmapped when it is deleted: a dispatch that touched it afterwards would fault.
TEST(ModalLoops, AKeyHandlerThatDestroysItsFormEndsTheKeyThere) {
    for (UINT message : {WM_KEYDOWN, WM_CHAR}) {
        FormPtr<SelfDestroyingForm> form;
        form = makeForm<SelfDestroyingForm>(form);
        form->show();
        const HWND button = form->find<Control>(L"Go")->handle();
        MSG msg{};
        msg.hwnd = button;
        msg.message = message;
        msg.wParam = 'K';
        msg.lParam = 1;
        application().dispatch(msg);
        EXPECT_EQ(form, nullptr);
        EXPECT_FALSE(::IsWindow(button));
    }
}
