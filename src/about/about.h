// The About dialog: title, version, author and notice lines, links and the help text.
#pragma once

#include <string_view>

#include "about/myurllbl.h"
#include "forms/form.h"

namespace ocellus {

class TAboutForm : public forms::Form {
public:
    explicit TAboutForm(forms::Component* owner);
    ~TAboutForm() override;

    forms::PushButton* OKButton = nullptr;
    forms::Bevel* Bevel1 = nullptr;
    forms::Label* Label10 = nullptr;
    forms::Label* Label11 = nullptr;
    forms::Label* Label5 = nullptr;
    forms::Label* Label6 = nullptr;
    forms::Label* Label7 = nullptr;
    forms::Label* Label1 = nullptr;
    forms::PushButton* Button1 = nullptr;
    forms::Label* versionlabel = nullptr;
    TURLLabel* URLLabel1 = nullptr;
    TURLLabel* URLLabel2 = nullptr;
    TURLLabel* URLLabel3 = nullptr;

    void OKButtonClick(forms::Component* sender);
    void Button1Click(forms::Component* sender);
    void FormActivate(forms::Component* sender);
};

// The dialog of the current opening, while it is open.
extern TAboutForm* AboutForm;

// True on Windows 6 and later while visual styles are on and common controls 6 are loaded.
bool UseTaskDialogs();
// Shows a text with an OK button; an empty caption stands for the application title.
void ShowInfoMessage(std::wstring_view message, std::wstring_view caption);

}  // namespace ocellus
