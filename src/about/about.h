// The About dialog: title, version, author and notice lines, links and the help text.
#pragma once

#include <string_view>

#include "forms/controls.h"

namespace ocellus {

class TAboutForm : public forms::Form {
public:
    explicit TAboutForm(forms::Component* owner);
    ~TAboutForm() override;
};

// The dialog of the current opening, while it is open.
extern TAboutForm* AboutForm;

}  // namespace ocellus
