#include "forms/window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <unordered_map>

#include "base/exception.h"
#include "forms/application.h"
#include "forms/form.h"
#include "win32/errortext.h"
#include "win32/windowclass.h"

namespace forms {

// The one map from windows to their controls. Process-local: a window property would cost a
// server round trip under Wine on every message.
struct WindowBinding {
    // The control whose window of our own classes CreateWindowExW is making on this thread. A
    // top-level window gets messages (WM_GETMINMAXINFO) before WM_NCCREATE: the first message of a
    // window not yet bound binds it to this control, whatever the message is.
    static inline thread_local Control* making = nullptr;

    static std::unordered_map<HWND, Control*>& map() {
        static std::unordered_map<HWND, Control*> bound;
        return bound;
    }
    static void bind(HWND hwnd, Control* c) {
        c->hwnd_ = hwnd;
        map()[hwnd] = c;
    }
    static void unbind(HWND hwnd) noexcept {
        auto it = map().find(hwnd);
        if (it == map().end()) return;
        it->second->hwnd_ = nullptr;
        map().erase(it);
    }

    // Errors escaping a handler are shown once, here, and the message counts as handled.
    static bool dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        Control* c = Control::fromHandle(hwnd);
        bool handled = false;
        if (c) {
            try {
                handled = c->handleMessage(msg, wp, lp, result);
            } catch (...) {
                application().handleCurrentException(hwnd);
                handled = true;
            }
        }
        if (msg == WM_NCDESTROY) unbind(hwnd);
        return handled;
    }

    // Our own window classes (forms, panels, images, bevels).
    static LRESULT CALLBACK ownProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (making && !Control::fromHandle(hwnd)) {
            bind(hwnd, making);
            making = nullptr;
        }
        LRESULT result = 0;
        return dispatch(hwnd, msg, wp, lp, result) ? result : ::DefWindowProcW(hwnd, msg, wp, lp);
    }

    // Controls of the standard classes (STATIC, BUTTON).
    static LRESULT CALLBACK subclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
        LRESULT result = 0;
        const bool handled = dispatch(hwnd, msg, wp, lp, result);
        if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, subclassProc, 0);
        return handled ? result : ::DefSubclassProc(hwnd, msg, wp, lp);
    }
};

ShiftState currentShiftState() {
    ShiftState s = 0;
    if (::GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (::GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    if (::GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

Control::Control(Component* owner, Control* parent) : Component(owner), parent_(parent) {
    if (!parent_) return;
    parent_->children_.push_back(this);
    // Font and colour are the parent's until set otherwise.
    font_.assign(parent_->font_.def());
    color = parent_->color;
}

Control::~Control() {
    destroyComponents();  // while this control's own members still exist
    if (parent_) std::erase(parent_->children_, this);
    // Children owned elsewhere may outlive this control: their windows go with this one's, unbound
    // first, and they no longer point here.
    const HWND h = hwnd_;
    unbindTree();
    for (Control* c : children_) c->parent_ = nullptr;
    if (h) {
        if (subclassed_) ::RemoveWindowSubclass(h, WindowBinding::subclassProc, 0);
        ::DestroyWindow(h);
    }
}

Control* Control::fromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    const auto& map = WindowBinding::map();
    auto it = map.find(hwnd);
    return it == map.end() ? nullptr : it->second;
}

void Control::unbindTree() noexcept {
    for (Control* c : children_) c->unbindTree();
    if (hwnd_) WindowBinding::unbind(hwnd_);
}

Form* Control::form() {
    Control* c = this;
    while (c->parent_) c = c->parent_;
    return dynamic_cast<Form*>(c);
}

void Control::createBoundWindow(const WindowClass& wc, int x, int y, int w, int h, HWND parent) {
    if (wc.own) win32::registerWindowClass(wc.name, WindowBinding::ownProc, true, wc.background);
    static int nextId = 1000;
    const bool child = parent_ != nullptr;
    const auto id = child ? (wc.id ? wc.id : ++nextId) : 0;
    DWORD style = wc.style | (tabStop ? WS_TABSTOP : 0);
    if (child) style |= WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    Control* const outer = WindowBinding::making;  // a window made while another is being made
    if (wc.own) WindowBinding::making = this;
    HWND made = ::CreateWindowExW(wc.exStyle, wc.name, caption_.c_str(), style, x, y, w, h, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                  nullptr);
    WindowBinding::making = outer;
    if (!made)
        throw ocellus::EOutOfResources(
            ocellus::formatMessage(L"Cannot create window: %s", win32::systemErrorText(::GetLastError())));
    if (!wc.own) {
        WindowBinding::bind(made, this);
        subclassed_ = ::SetWindowSubclass(made, WindowBinding::subclassProc, 0, 0) != FALSE;
    }
    ::SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(font_.handle()), FALSE);
}

void Control::createWindow() {
    if (hwnd_ || !parent_) return;
    createBoundWindow(windowClass(), left_, top_, width_, height_, parent_->hwnd_);
    adjustSize();
    design_ = {left_, top_, width_, height_, font_.height};
}

void Control::setBounds(int l, int t, int w, int h) { place(l, t, w, h, 0); }

void Control::place(int l, int t, int w, int h, UINT swpFlags) {
    left_ = l;
    top_ = t;
    width_ = std::max(0, w);
    height_ = std::max(0, h);
    recordAnchorDistances(*this);
    applyBounds(swpFlags);
}

void Control::applyBounds(UINT swpFlags) {
    if (hwnd_)
        ::SetWindowPos(hwnd_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
}

void Control::setAnchors(Anchors a) {
    anchors_ = a;
    recordAnchorDistances(*this);
}

void Control::setCaption(std::wstring_view text) {
    caption_.assign(text);
    if (hwnd_) ::SetWindowTextW(hwnd_, caption_.c_str());
}

void Control::fontChanged() {
    font_.changed();
    if (hwnd_) {
        ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.handle()), FALSE);
        ::InvalidateRect(hwnd_, nullptr, TRUE);
    }
    for (Control* c : children_) {
        if (!c->parentFont) continue;
        c->font_.assign(font_.def());
        c->fontChanged();
    }
    adjustSize();
}

void Control::setHint(std::wstring_view text) {
    if (hint_ == text) return;
    hint_.assign(text);
    if (Form* f = form(); f && hwnd_) f->registerHint(*this);
}

void Control::repaint() {
    invalidate();
    if (hwnd_) ::UpdateWindow(hwnd_);
}

void Control::invalidate() {
    if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

bool Control::handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        // Notifications go to the control that sent them.
        if (Control* child = fromHandle(reinterpret_cast<HWND>(lp)); child && child != this) {
            child->handleNotification(HIWORD(wp));
            result = 0;
            return true;
        }
        return false;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        // Standard controls paint in their own control's colours, not their parent's.
        const Control* child = fromHandle(reinterpret_cast<HWND>(lp));
        const Control& from = child ? *child : *this;
        auto dc = reinterpret_cast<HDC>(wp);
        ::SetTextColor(dc, win32::colorToRgb(from.font_.color));
        ::SetBkColor(dc, win32::colorToRgb(from.color));
        result = reinterpret_cast<LRESULT>(win32::solidBrush(from.color));
        return true;
    }
    case WM_MOUSEMOVE:
        if (!mouseInside_) {
            mouseInside_ = true;
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd_, 0};
            ::TrackMouseEvent(&tme);
            mouseEnter();
        }
        return false;
    case WM_MOUSELEAVE:
        mouseInside_ = false;
        mouseLeave();
        return false;
    case WM_SETCURSOR:
        if (cursor && LOWORD(lp) == HTCLIENT) {
            ::SetCursor(cursor);
            result = TRUE;
            return true;
        }
        return false;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if (onMouseUp) {
            const int button = msg == WM_LBUTTONUP ? 0 : msg == WM_RBUTTONUP ? 1 : 2;
            onMouseUp(this, button, currentShiftState(), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        }
        return false;
    default:
        return false;
    }
}

}  // namespace forms
