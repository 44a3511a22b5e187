#include "about/myurllbl.h"

#include <commctrl.h>

#include "about/myurllbl_rules.h"
#include "forms/application.h"
#include "win32/seams.h"

namespace ocellus {

namespace {

bool isActivationKey(WPARAM key) { return key == VK_RETURN || key == VK_SPACE; }

}  // namespace

TURLLabel::TURLLabel(forms::Component* owner, forms::Control* parent) : forms::Label(owner, parent) {
    parentFont = false;
    font_.color = kLinkColor;
    FhighlightFontcolor = win32::clRed;
    Fcolorchange = true;
    cursor = ::LoadCursorW(nullptr, IDC_HAND);  // a shared system cursor: never destroyed
    tabStop = true;
}

forms::WindowClass TURLLabel::windowClass() const {
    forms::WindowClass wc = forms::Label::windowClass();
    wc.style |= SS_NOPREFIX;  // addresses may hold '&' (query strings), which must not turn into access keys
    return wc;
}

void TURLLabel::setURL(std::wstring_view url) {
    Furl.assign(url);
    setCaption(captionAfterUrlSet(caption_, name, Furl));
}

void TURLLabel::setUnderline(bool on) {
    const bool now = (font_.style & win32::fsUnderline) != 0;
    if (now == on) return;
    font_.style = static_cast<win32::FontStyle>(on ? font_.style | win32::fsUnderline
                                                   : font_.style & ~win32::fsUnderline);
    fontChanged();
}

void TURLLabel::mouseEnter() {
    if (hovering_) return;
    hovering_ = true;
    font_.style = static_cast<win32::FontStyle>(font_.style | win32::fsUnderline);
    if (Fcolorchange) {
        FOrigFontColor = font_.color;
        font_.color = FhighlightFontcolor;
    }
    fontChanged();
}

void TURLLabel::mouseLeave() {
    // A leave that no enter preceded would otherwise paint the link in the unset original colour.
    if (!hovering_) return;
    hovering_ = false;
    if (!focused_) font_.style = static_cast<win32::FontStyle>(font_.style & ~win32::fsUnderline);
    if (Fcolorchange) font_.color = FOrigFontColor;
    fontChanged();
}

void TURLLabel::click() {
    forms::Label::click();
    const std::optional<ShellRequest> request = linkClickAction(Femail, FEmailSubject, Furl);
    if (!request) return;
    HWND owner = request->ownerIsApplication ? forms::application().handle() : nullptr;
    const wchar_t* verb = request->verbEmpty ? L"" : nullptr;
    // A missing mail program or browser is not reported: the click then simply shows nothing.
    win32::seams().shellExecute(owner, verb, request->file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool TURLLabel::handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_GETDLGCODE: {
        // Enter and Space follow a focused link instead of pressing the dialog's default button.
        const auto* m = reinterpret_cast<const MSG*>(lp);
        if (m && m->message == WM_KEYDOWN && isActivationKey(m->wParam)) {
            result = DLGC_STATIC | DLGC_WANTMESSAGE;
            return true;
        }
        break;
    }
    case WM_KEYDOWN:
        if (isActivationKey(wp) && (lp & (1 << 30)) == 0) {  // not auto-repeat
            click();
            result = 0;
            return true;
        }
        break;
    case WM_SETFOCUS:
        // Statics draw no focus rectangle; the underline shows where the keyboard is.
        focused_ = true;
        setUnderline(true);
        break;
    case WM_KILLFOCUS:
        focused_ = false;
        if (!hovering_) setUnderline(false);
        break;
    default:
        break;
    }
    return forms::Label::handleMessage(msg, wp, lp, result);
}

}  // namespace ocellus
