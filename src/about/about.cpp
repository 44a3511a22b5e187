#include "about/about.h"

namespace ocellus {

TAboutForm* AboutForm = nullptr;

namespace {
constexpr forms::FormDef kAbout{
    .className = L"TAboutForm",
    .name = L"AboutForm",
    .caption = L"About this program",
    .clientWidth = 340,
    .clientHeight = 283,
    .font = {L"MS Sans Serif", -13, 0, forms::clWindowText},
    .border = forms::BorderStyle::Dialog,
    .minimizeBox = false,
    .maximizeBox = false,
    .position = forms::Position::ScreenCenter,
};
}  // namespace

TAboutForm::TAboutForm(forms::Component* owner) : forms::Form(owner, kAbout) {}
TAboutForm::~TAboutForm() { destroyHandle(); }

}  // namespace ocellus
