#include "forms/form.h"

#include <windowsx.h>

#include <utility>

#include "forms/application.h"
#include "win32/density.h"
#include "win32/monitor.h"
#include "win32/placement.h"
#include "win32/seams.h"

namespace forms {
namespace {

// Sent before WM_DPICHANGED; headers for Windows 7 lack its name.
constexpr UINT kGetDpiScaledSize = 0x02E4;

}  // namespace

// ----- creation and destruction -----

void Form::create(const FormDef& def, std::span<const ControlRow> controls, std::span<const TimerRow> timers) {
    name.assign(def.name);
    caption_.assign(def.caption);
    if (!def.font.face.empty()) font_.assign(def.font);
    color = def.color;
    keyPreview = def.keyPreview;
    position = def.position;
    onShow = bound(*this, def.onShow);
    onResize = bound(*this, def.onResize);
    onDestroy = bound(*this, def.onDestroy);
    onActivate = bound(*this, def.onActivate);
    onKeyDown = bound(*this, def.onKeyDown);
    onKeyPress = bound(*this, def.onKeyPress);
    onMouseWheelDown = bound(*this, def.onMouseWheelDown);
    onMouseWheelUp = bound(*this, def.onMouseWheelUp);
    onMouseMove = bound(*this, def.onMouseMove);

    className_.assign(def.className);
    const bool dialog = def.border == BorderStyle::Dialog;
    style_ = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | (dialog ? WS_POPUP | DS_MODALFRAME : WS_THICKFRAME);
    if (!dialog && def.minimizeBox) style_ |= WS_MINIMIZEBOX;
    if (!dialog && def.maximizeBox) style_ |= WS_MAXIMIZEBOX;
    exStyle_ = WS_EX_CONTROLPARENT | (dialog ? WS_EX_DLGMODALFRAME : 0);
    {
        // The controls are placed from the table; the first resize comes once they all exist.
        const LayoutHold hold(*this);
        auto* ownerForm = dynamic_cast<Form*>(owner());
        const RECT rc = win32::windowRectForClient(def.clientWidth, def.clientHeight, style_, exStyle_,
                                                   framePixelsPerInch());
        // An owned form is made where its owner is, so that its frame has that monitor's density from
        // the start; its placement comes later.
        POINT at{0, 0};
        if (def.position == Position::DefaultPosOnly) at = {CW_USEDEFAULT, CW_USEDEFAULT};
        if (ownerForm && ownerForm->hwnd_) {
            const RECT o = ownerForm->boundsRect();
            at = {o.left, o.top};
        }
        createBoundWindow(windowClass(), at.x, at.y, rc.right - rc.left, rc.bottom - rc.top,
                          ownerForm ? ownerForm->handle() : nullptr);
        pixelsPerInch_ = ownerForm ? ownerForm->pixelsPerInch_ : win32::seams().pixelsPerInch(hwnd_);
        design_ = {0, 0, def.clientWidth, def.clientHeight, font_.height};
        // Made where the system's density differs from the one guessed for the frame.
        if (clientWidth() != def.clientWidth || clientHeight() != def.clientHeight)
            setClientSize(def.clientWidth, def.clientHeight);
        takeBounds();
        // The first form made becomes the main form: closing it ends the run.
        if (!application().mainForm) application().setMainForm(this);
        build(controls);
        build(timers);
    }
    realign(*this);
    takeClientReference();
    fireResize();
    if (def.onCreate) def.onCreate(*this, this);
}

WindowClass Form::windowClass() const {
    return {.name = className_.c_str(),
            .style = style_,
            .exStyle = exStyle_,
            .own = true,
            .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)};
}

void Form::destroyWindow() {
    if (!hwnd_) return;
    if (onDestroy) guarded([this] { onDestroy(this); }, hwnd_);
    releaseWindow();
}

void Form::releaseWindow() noexcept {
    if (application().mainForm == this) application().setMainForm(nullptr);
    tooltip_.reset();
    HWND h = hwnd_;
    if (!h) return;
    // Unbound first: no message of the dying windows reaches an object, whatever state it is in.
    unbindTree();
    ::DestroyWindow(h);
}

// ----- bounds -----

RECT Form::boundsRect() const {
    RECT r{left_, top_, left_ + width_, top_ + height_};
    if (!hwnd_) return r;
    if (::IsIconic(hwnd_)) return win32::restoredRect(hwnd_);
    ::GetWindowRect(hwnd_, &r);
    return r;
}

void Form::setBounds(int l, int t, int w, int h) {
    if (!hwnd_) return;
    // A density change on the way keeps the rectangle asked for here.
    const bool wasPlacing = std::exchange(placing_, true);
    if (::IsIconic(hwnd_)) win32::setRestoredRect(hwnd_, {l, t, l + w, t + h});
    else ::SetWindowPos(hwnd_, nullptr, l, t, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    placing_ = wasPlacing;
    takeBounds();
    if (!layoutHeld()) takeClientReference();
}

void Form::takeBounds() {
    const RECT b = boundsRect();
    left_ = b.left;
    top_ = b.top;
    width_ = b.right - b.left;
    height_ = b.bottom - b.top;
}

RECT Form::clientRect() const {
    RECT rc{};
    if (hwnd_) ::GetClientRect(hwnd_, &rc);
    return rc;
}

void Form::setClientSize(int w, int h) {
    const RECT rc = win32::windowRectForClient(w, h, style_, exStyle_, framePixelsPerInch());
    const RECT b = boundsRect();
    setBounds(b.left, b.top, rc.right - rc.left, rc.bottom - rc.top);
}

WindowState Form::windowState() const {
    if (hwnd_ && ::IsIconic(hwnd_)) return WindowState::Minimized;
    if (hwnd_ && ::IsZoomed(hwnd_)) return WindowState::Maximized;
    return WindowState::Normal;
}

HMONITOR Form::monitor() const { return hwnd_ ? ::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST) : nullptr; }

// A dialog opens where its owner is, not on whichever monitor is primary; on one monitor both are the
// screen. The full rectangle, as the screen was, so that one monitor keeps its old placement.
void Form::centre() {
    auto* ownerForm = dynamic_cast<Form*>(owner());
    const RECT area = ownerForm && ownerForm->handle() ? win32::monitorRect(ownerForm->monitor())
                                                       : win32::primaryDisplayRect();
    const RECT b = boundsRect();
    const int w = b.right - b.left, h = b.bottom - b.top;
    setBounds(area.left + (area.right - area.left - w) / 2, area.top + (area.bottom - area.top - h) / 2, w, h);
}

// ----- showing -----

void Form::show() {
    if (!shown_) {
        shown_ = true;
        if (position == Position::ScreenCenter) centre();
        if (onShow) guarded([this] { onShow(this); }, hwnd_);  // an error here gets the error box like any handler's
    }
    ::ShowWindow(hwnd_, SW_SHOWNORMAL);
    ::UpdateWindow(hwnd_);
}

int Form::showModal() {
    // Raised from another modal loop, the owner may be disabled already: that loop enables it again.
    const HWND ownerWnd = ::GetWindow(hwnd_, GW_OWNER);
    const bool disabledHere = ownerWnd && !::EnableWindow(ownerWnd, FALSE);
    auto& app = application();
    Form* const outer = app.modalForm_;
    app.modalForm_ = this;
    modal_ = true;
    modalResult = 0;
    show();
    MSG msg;
    while (modalResult == 0 && !app.terminated()) {
        if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            app.terminate();  // a quit request ends the modal loop and then the program
            break;
        }
        app.dispatch(msg);
    }
    if (disabledHere) ::EnableWindow(ownerWnd, TRUE);
    ::ShowWindow(hwnd_, SW_HIDE);
    if (disabledHere) ::SetActiveWindow(ownerWnd);
    app.modalForm_ = outer;
    modal_ = false;
    shown_ = false;
    return modalResult;
}

// ----- hints -----

void Form::registerHint(Control& control) {
    if (tooltip_.ensure(showHint)) tooltip_.setText(hwnd_, control.handle(), control.hint().c_str());
}

// ----- keys, wheel and messages -----

PushButton* Form::button(bool PushButton::*role) {
    for (auto& c : components())
        if (auto* b = dynamic_cast<PushButton*>(c.get()); b && b->*role) return b;
    return nullptr;
}

bool Form::previewKey(MSG& msg) {
    if (!keyPreview) return false;
    if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && onKeyDown) {
        WORD key = static_cast<WORD>(msg.wParam);
        // The handler may destroy the form: nothing of it is used after it returns.
        if (!guarded([&] { onKeyDown(this, key, currentShiftState()); }, hwnd_) || key == 0) return true;
        msg.wParam = key;
        // Dialog navigation eats these key-downs untranslated; translate them here so the character
        // preview still sees Esc and Enter.
        if (key == VK_ESCAPE || key == VK_RETURN) ::TranslateMessage(&msg);
    } else if (msg.message == WM_CHAR && onKeyPress) {
        wchar_t ch = static_cast<wchar_t>(msg.wParam);
        if (!guarded([&] { onKeyPress(this, ch); }, hwnd_) || ch == 0) return true;
        msg.wParam = ch;
    }
    return false;
}

bool Form::handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_WINDOWPOSCHANGED:
        takeBounds();
        return false;  // the default handling sends WM_SIZE and WM_MOVE
    case WM_SIZE:
        if (wp != SIZE_MINIMIZED && !layoutHeld()) {
            if (!placing_) takeClientReference();
            realign(*this);
            fireResize();
        }
        return false;
    case WM_DPICHANGED:
        if (!densityScale || HIWORD(wp) == 0) return false;
        changeDensity(HIWORD(wp), reinterpret_cast<const RECT*>(lp));
        result = 0;
        return true;
    case kGetDpiScaledSize:
        if (!densityScale || wp == 0 || !lp) return false;
        *reinterpret_cast<SIZE*>(lp) = scaledWindowSize(static_cast<int>(wp));
        result = TRUE;
        return true;
    case WM_CLOSE:
        if (modal_) modalResult = mrCancel;
        else if (application().mainForm == this) application().terminate();
        else ::ShowWindow(hwnd_, SW_HIDE);
        result = 0;
        return true;
    case WM_COMMAND:
        if (!fromHandle(reinterpret_cast<HWND>(lp))) {
            // Enter and Esc from dialog navigation.
            PushButton* b = LOWORD(wp) == IDCANCEL ? button(&PushButton::isCancel)
                            : LOWORD(wp) == IDOK   ? button(&PushButton::isDefault)
                                                   : nullptr;
            if (b) b->click();
            result = 0;
            return true;
        }
        return Control::handleMessage(msg, wp, lp, result);
    case DM_GETDEFID:
        if (!button(&PushButton::isDefault)) return false;
        result = MAKELRESULT(IDOK, DC_HASDEFID);
        return true;
    case WM_ACTIVATE:
        if (LOWORD(wp) == WA_INACTIVE) {
            HWND f = ::GetFocus();
            if (f && ::IsChild(hwnd_, f)) lastFocus_ = f;
        } else {
            HWND f = lastFocus_ && ::IsWindow(lastFocus_) && ::IsChild(hwnd_, lastFocus_)
                         ? lastFocus_ : ::GetNextDlgTabItem(hwnd_, nullptr, FALSE);
            if (f) ::SetFocus(f);
            if (onActivate) onActivate(this);
        }
        result = 0;
        return true;
    case WM_MOUSEWHEEL: {
        wheelAccumulator_ += GET_WHEEL_DELTA_WPARAM(wp);
        const ShiftState s = currentShiftState();
        const POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        bool handledAll = true;
        while (wheelAccumulator_ >= WHEEL_DELTA || wheelAccumulator_ <= -WHEEL_DELTA) {
            const bool up = wheelAccumulator_ > 0;
            wheelAccumulator_ += up ? -WHEEL_DELTA : WHEEL_DELTA;
            bool handled = false;
            auto& handler = up ? onMouseWheelUp : onMouseWheelDown;
            if (handler) handler(this, s, pt, handled);
            handledAll = handledAll && handled;
        }
        if (!handledAll) return false;
        result = 0;
        return true;
    }
    case WM_MOUSEMOVE:
        if (onMouseMove) onMouseMove(this, currentShiftState(), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return false;
    default:
        return Control::handleMessage(msg, wp, lp, result);
    }
}

}  // namespace forms
