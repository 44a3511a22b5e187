// A label that acts as a hyperlink: link colour, hand cursor, hover highlight, opens through the shell.
#pragma once

#include <string>
#include <string_view>

#include "forms/controls.h"

namespace ocellus {

inline constexpr win32::Color kLinkColor = 12482872;  // a medium blue

class TURLLabel : public forms::Label {
public:
    TURLLabel(forms::Component* owner, forms::Control* parent);

    const std::wstring& URL() const noexcept { return Furl; }
    // An unset caption (empty or still the name) takes the address.
    void setURL(std::wstring_view url);
    const std::wstring& EmailAddress() const noexcept { return Femail; }
    void setEmailAddress(std::wstring_view address) { Femail.assign(address); }
    const std::wstring& EmailSubject() const noexcept { return FEmailSubject; }
    void setEmailSubject(std::wstring_view subject) { FEmailSubject.assign(subject); }
    bool ColorChange() const noexcept { return Fcolorchange; }
    void setColorChange(bool on) noexcept { Fcolorchange = on; }
    win32::Color HighlightFontColor() const noexcept { return FhighlightFontcolor; }
    void setHighlightFontColor(win32::Color c) noexcept { FhighlightFontcolor = c; }
    win32::Color OrigFontColor() const noexcept { return FOrigFontColor; }

    // Raises the click event, then composes the e-mail or opens the address.
    void click() override;
    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

protected:
    forms::WindowClass windowClass() const override;
    void mouseEnter() override;
    void mouseLeave() override;

private:
    void setUnderline(bool on);

    std::wstring Furl;
    std::wstring Femail;
    std::wstring FEmailSubject;
    win32::Color FhighlightFontcolor = win32::clRed;
    bool Fcolorchange = true;
    win32::Color FOrigFontColor = 0;
    bool hovering_ = false;
    bool focused_ = false;
};

}  // namespace ocellus
