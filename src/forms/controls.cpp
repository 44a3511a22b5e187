#include "forms/controls.h"

#include <commctrl.h>

#include "forms/form.h"
#include "win32/paint.h"

namespace forms {

// ----- Panel -----

WindowClass Panel::windowClass() const {
    return {.name = L"OcellusPanel", .style = WS_CLIPCHILDREN, .exStyle = WS_EX_CONTROLPARENT, .own = true};
}

void Panel::paint(HDC dc) {
    RECT rc;
    ::GetClientRect(hwnd_, &rc);
    // A swatch panel takes any colour the screen shows: a kept brush per colour would pile up.
    win32::BrushHandle brush(::CreateSolidBrush(win32::colorToRgb(color)));
    ::FillRect(dc, &rc, brush.get());
    if (raisedBevel) ::DrawEdge(dc, &rc, BDR_RAISEDINNER, BF_RECT);
    if (!caption_.empty()) {
        win32::SelectObjectScope f(dc, font_.handle());
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, win32::colorToRgb(font_.color));
        ::DrawTextW(dc, caption_.c_str(), -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

bool Panel::handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT:
        // Themed children draw their parent's background through these before painting themselves.
        paint(reinterpret_cast<HDC>(wp));
        result = 1;
        return true;
    case WM_PAINT:
        return win32::paintWholeWindow(hwnd_, msg, result, [this](HDC dc) { paint(dc); });
    case WM_SIZE:
        realign(*this);
        invalidate();
        return false;
    default:
        return Control::handleMessage(msg, wp, lp, result);
    }
}

// ----- Image -----

Image::Image(Component* owner, Control* parent) : Control(owner, parent) {
    picture_.onChange = [this] { invalidate(); };
}

WindowClass Image::windowClass() const { return {.name = L"OcellusImage", .own = true}; }

bool Image::handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    const bool painted = win32::paintWholeWindow(hwnd_, msg, result, [this](HDC dc) {
        const int bw = picture_.handle() ? picture_.width() : 0;
        const int bh = picture_.handle() ? picture_.height() : 0;
        if (bw > 0 && bh > 0) ::BitBlt(dc, 0, 0, bw, bh, picture_.dc(), 0, 0, SRCCOPY);
        // Whatever the picture does not cover shows the parent's colour.
        HBRUSH back = win32::solidBrush(parent_ ? parent_->color : color);
        RECT right{bw, 0, width_, height_}, below{0, bh, bw, height_};
        if (bw < width_) ::FillRect(dc, &right, back);
        if (bh < height_) ::FillRect(dc, &below, back);
    });
    return painted || Control::handleMessage(msg, wp, lp, result);
}

// ----- Label -----

WindowClass Label::windowClass() const {
    const DWORD align = alignment == TextAlign::Right ? SS_RIGHT : alignment == TextAlign::Center ? SS_CENTER : SS_LEFT;
    return {.name = WC_STATICW, .style = static_cast<DWORD>(SS_NOTIFY | align)};
}

// The static control would paint its new text at once, and a move would repaint its old and new places:
// with the readout's three changes per capture that is a paint for each. The text goes in through the
// default handling (which keeps it readable by others and tells accessibility tools), the size follows
// without a redraw, and what changed is left for the next paint, with the caller's other changes.
void Label::setCaption(std::wstring_view text) {
    if (caption_ == text) return;
    caption_.assign(text);
    if (!hwnd_) return;
    ::DefWindowProcW(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption_.c_str()));
    const RECT before{left_, top_, left_ + width_, top_ + height_};
    const RECT after = autoSize ? fitted() : before;
    if (::EqualRect(&before, &after)) {
        invalidate();
        return;
    }
    place(after.left, after.top, after.right - after.left, after.bottom - after.top, SWP_NOREDRAW);
    invalidate();
    if (parent_) win32::invalidateUncovered(parent_->handle(), before, after);
}

void Label::adjustSize() {
    if (!autoSize || !hwnd_) return;
    const RECT b = fitted();
    if (b.left != left_ || b.top != top_ || b.right - b.left != width_ || b.bottom - b.top != height_)
        setBounds(b.left, b.top, b.right - b.left, b.bottom - b.top);
}

// The bounds that fit the caption, the aligned edge (or the centre) kept where it is.
RECT Label::fitted() {
    // As with any auto-sized label, an empty caption keeps the height of one line.
    const SIZE size = font_.textSize(caption_.empty() ? L" " : caption_.c_str());
    const int w = size.cx, h = size.cy;
    int l = left_;
    if (alignment == TextAlign::Right) l = left_ + width_ - w;
    else if (alignment == TextAlign::Center) l = left_ + (width_ - w) / 2;
    return {l, top_, l + w, top_ + h};
}

bool Label::handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_LBUTTONDOWN:
        // Pressing and sliding off does nothing. The static control's own click notification comes
        // on the press, so it is left unhandled.
        pressed_ = true;
        ::SetCapture(hwnd_);
        break;
    case WM_LBUTTONDBLCLK:
        // The second press of a double-click: its first press and release were the click already.
        if (onDblClick) onDblClick(this);
        break;
    case WM_LBUTTONUP:
        if (pressed_) {
            pressed_ = false;
            ::ReleaseCapture();
            RECT rc;
            ::GetClientRect(hwnd_, &rc);
            const POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            if (::PtInRect(&rc, at)) click();
        }
        break;
    case WM_CAPTURECHANGED:
        pressed_ = false;
        break;
    case WM_ERASEBKGND: {
        // Labels paint their whole rectangle in their parent's colour, so text changes leave no traces.
        RECT rc;
        ::GetClientRect(hwnd_, &rc);
        ::FillRect(reinterpret_cast<HDC>(wp), &rc, win32::solidBrush(color));
        result = 1;
        return true;
    }
    default:
        break;
    }
    return Control::handleMessage(msg, wp, lp, result);
}

// ----- the button family -----

WindowClass CheckBox::windowClass() const { return {.name = WC_BUTTONW, .style = BS_AUTOCHECKBOX}; }

void CheckBox::setChecked(bool value) {
    if (checked_ == value || !hwnd_) return;
    ::SendMessageW(hwnd_, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    click();
}

void CheckBox::handleNotification(WORD code) {
    if (code != BN_CLICKED) return;
    checked_ = ::SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    click();
}

bool CheckBox::handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    // Every change of state passes here, whoever makes it: this program, the control itself or another
    // program; a click is read back above as well.
    if (msg == BM_SETCHECK) checked_ = wp == BST_CHECKED;
    return ButtonBase::handleMessage(msg, wp, lp, result);
}

WindowClass RadioButton::windowClass() const { return {.name = WC_BUTTONW, .style = BS_RADIOBUTTON}; }

bool RadioButton::checked() const { return hwnd_ && ::SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// As in any dialog, a group of radio buttons is one tab stop, the checked button, and the arrow
// keys move within it: a radio button that Tab reaches unchecked reports a click on Windows, so
// tabbing through the row would change the choice at every stop.
void RadioButton::setChecked(bool value) {
    if (checked() == value) return;
    ::SendMessageW(hwnd_, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (parent_) {
        for (Control* sibling : parent_->children()) {
            auto* r = dynamic_cast<RadioButton*>(sibling);
            if (!r || !r->hwnd_) continue;
            if (value && r != this) ::SendMessageW(r->hwnd_, BM_SETCHECK, BST_UNCHECKED, 0);
            const LONG_PTR style = ::GetWindowLongPtrW(r->hwnd_, GWL_STYLE);
            const LONG_PTR wanted = r->checked() ? style | WS_TABSTOP : style & ~static_cast<LONG_PTR>(WS_TABSTOP);
            if (wanted != style) ::SetWindowLongPtrW(r->hwnd_, GWL_STYLE, wanted);
        }
    }
    click();
}

void RadioButton::handleNotification(WORD code) {
    if (code == BN_CLICKED) setChecked(true);
}

// The arrows move through the group, wrapping at its ends, and the check follows the focus, as the
// dialog manager does for automatic radio buttons; for these it would only move the focus.
bool RadioButton::handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_GETDLGCODE) {
        result = DLGC_BUTTON | DLGC_RADIOBUTTON | DLGC_WANTARROWS;
        return true;
    }
    if (msg == WM_KEYDOWN && (wp == VK_LEFT || wp == VK_UP || wp == VK_RIGHT || wp == VK_DOWN)) {
        if (RadioButton* next = neighbour(wp == VK_RIGHT || wp == VK_DOWN)) {
            ::SetFocus(next->hwnd_);
            next->setChecked(true);
        }
        result = 0;
        return true;
    }
    return ButtonBase::handleMessage(msg, wp, lp, result);
}

// The next radio button among the siblings in tab order that can take the focus.
RadioButton* RadioButton::neighbour(bool forward) const {
    const UINT step = forward ? GW_HWNDNEXT : GW_HWNDPREV, wrap = forward ? GW_HWNDFIRST : GW_HWNDLAST;
    for (HWND h = ::GetWindow(hwnd_, step);; h = ::GetWindow(h, step)) {
        if (!h) h = ::GetWindow(hwnd_, wrap);
        if (h == hwnd_) return nullptr;
        auto* r = dynamic_cast<RadioButton*>(fromHandle(h));
        if (r && ::IsWindowVisible(h) && ::IsWindowEnabled(h)) return r;
    }
}

WindowClass GroupBox::windowClass() const {
    return {.name = WC_BUTTONW, .style = BS_GROUPBOX, .exStyle = WS_EX_TRANSPARENT};
}

WindowClass PushButton::windowClass() const {
    // The default button has the id dialog navigation gives Enter.
    return {.name = WC_BUTTONW, .style = static_cast<DWORD>(isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
            .id = isDefault ? IDOK : 0};
}

void PushButton::click() {
    if (modalResult != 0) {
        if (Form* f = form()) f->modalResult = modalResult;
    }
    Control::click();
}

// ----- Bevel -----

WindowClass Bevel::windowClass() const { return {.name = L"OcellusBevel", .own = true}; }

bool Bevel::handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    const bool painted = win32::paintWholeWindow(hwnd_, msg, result, [this](HDC dc) {
        RECT rc;
        ::GetClientRect(hwnd_, &rc);
        ::FillRect(dc, &rc, win32::solidBrush(parent_ ? parent_->color : color));
        ::DrawEdge(dc, &rc, EDGE_ETCHED, BF_TOP);
    });
    return painted || Control::handleMessage(msg, wp, lp, result);
}

}  // namespace forms
