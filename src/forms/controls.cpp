#include "forms/controls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <map>
#include <set>

#include "forms/application.h"

namespace forms {
namespace {

constexpr wchar_t kControlProp[] = L"Ocellus.Control";
constexpr wchar_t kPanelClass[] = L"OcellusPanel";
constexpr wchar_t kImageClass[] = L"OcellusImage";
constexpr wchar_t kBevelClass[] = L"OcellusBevel";

HINSTANCE instance() { return ::GetModuleHandleW(nullptr); }

LRESULT dispatchToControl(Control* c, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
    LRESULT result = 0;
    handled = false;
    try {
        handled = c->handleMessage(msg, wp, lp, result);
    } catch (...) {
        application().handleCurrentException();
        handled = true;
    }
    (void)hwnd;
    return result;
}

// Window procedure of the framework's own window classes (forms, panels, images, bevels).
LRESULT CALLBACK ownWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        auto* c = static_cast<Control*>(cs->lpCreateParams);
        ::SetPropW(hwnd, kControlProp, c);
    }
    Control* c = Control::fromHandle(hwnd);
    if (c) {
        bool handled = false;
        LRESULT r = dispatchToControl(c, hwnd, msg, wp, lp, handled);
        if (msg == WM_NCDESTROY) ::RemovePropW(hwnd, kControlProp);
        if (handled) return r;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// Subclass procedure for controls of the standard window classes (STATIC, BUTTON).
LRESULT CALLBACK subclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* c = reinterpret_cast<Control*>(ref);
    bool handled = false;
    LRESULT r = dispatchToControl(c, hwnd, msg, wp, lp, handled);
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, subclassProc, 0);
        ::RemovePropW(hwnd, kControlProp);
    }
    if (handled) return r;
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}

void registerOwnClass(const wchar_t* name, HBRUSH background) {
    static std::set<std::wstring> registered;
    if (registered.count(name)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ownWindowProc;
    wc.hInstance = instance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.hIcon = ::LoadIconW(instance(), MAKEINTRESOURCEW(1));
    wc.lpszClassName = name;
    ::RegisterClassExW(&wc);
    registered.insert(name);
}

int nextControlId() {
    static int id = 1000;
    return ++id;
}

std::map<UINT_PTR, Timer*>& timers() {
    static std::map<UINT_PTR, Timer*> map;
    return map;
}

BrushHandle& brushFor(Color c) {
    static std::map<Color, BrushHandle> brushes;
    auto& b = brushes[c];
    if (!b) b.reset(::CreateSolidBrush(colorToRgb(c)));
    return b;
}

}  // namespace

ShiftState currentShiftState() {
    ShiftState s = 0;
    if (::GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (::GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    if (::GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

void Font::assign(const FontDef& def) {
    face.assign(def.face);
    height = def.height;
    style = def.style;
    color = def.color;
    changed();
}

HFONT Font::handle() {
    if (!handle_) {
        handle_.reset(::CreateFontW(height, 0, 0, 0, (style & fsBold) ? FW_BOLD : FW_NORMAL,
                                    (style & fsItalic) != 0, (style & fsUnderline) != 0, (style & fsStrikeOut) != 0,
                                    DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
    }
    return handle_.get();
}

// ----- Component -----

Component::Component(Component* owner) : owner_(owner) {}
Component::~Component() { destroyComponents(); }

// ----- Control -----

Control::Control(Component* owner, Control* parent) : Component(owner), parent_(parent) {
    if (parent_) {
        parent_->children_.push_back(this);
        font_.face = parent_->font_.face;
        font_.height = parent_->font_.height;
        font_.style = parent_->font_.style;
        font_.color = parent_->font_.color;
    }
}

Control::~Control() {
    destroyComponents();  // while this control's own members still exist
    if (parent_) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    if (hwnd_) {
        HWND h = std::exchange(hwnd_, nullptr);
        ::RemovePropW(h, kControlProp);
        if (subclassed_) ::RemoveWindowSubclass(h, subclassProc, 0);
        ::DestroyWindow(h);
    }
}

Control* Control::fromHandle(HWND hwnd) {
    return hwnd ? static_cast<Control*>(::GetPropW(hwnd, kControlProp)) : nullptr;
}

Form* Control::form() {
    Control* c = this;
    while (c->parent_) c = c->parent_;
    return dynamic_cast<Form*>(c);
}

void Control::createWindow(const wchar_t* windowClass, DWORD style, DWORD exStyle) {
    HWND parentWnd = parent_ ? parent_->hwnd_ : nullptr;
    int id = nextControlId();
    if (auto* b = dynamic_cast<Button*>(this); b && b->isDefault) id = IDOK;
    const bool own = windowClass == kPanelClass || windowClass == kImageClass || windowClass == kBevelClass;
    if (tabStop) style |= WS_TABSTOP;
    hwnd_ = ::CreateWindowExW(exStyle, windowClass, caption_.c_str(), style | WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                              left_, top_, width_, height_, parentWnd,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance(), this);
    if (!hwnd_) return;
    if (!own) {
        ::SetPropW(hwnd_, kControlProp, this);
        subclassed_ = ::SetWindowSubclass(hwnd_, subclassProc, 0, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
    }
    ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.handle()), FALSE);
    recordAnchorDistances();
}

void Control::applyWindowBounds() {
    if (hwnd_) ::SetWindowPos(hwnd_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::setBounds(int l, int t, int w, int h) {
    left_ = l;
    top_ = t;
    width_ = std::max(0, w);
    height_ = std::max(0, h);
    recordAnchorDistances();
    applyWindowBounds();
}

void Control::recordAnchorDistances() {
    if (!parent_) return;
    rightDistance_ = parent_->clientWidth() - (left_ + width_);
    bottomDistance_ = parent_->clientHeight() - (top_ + height_);
}

void Control::setAnchors(Anchors a) {
    anchors_ = a;
    recordAnchorDistances();
}

void Control::realignChildren() {
    if (Form* f = form(); f && f->scaling()) return;
    const int cw = clientWidth(), ch = clientHeight();
    for (Control* c : children_) {
        int l = c->left_, t = c->top_, w = c->width_, h = c->height_;
        if (c->align == Align::Bottom) {
            l = 0;
            w = cw;
            t = ch - h;
        } else {
            if (c->anchors_ & akRight) {
                if (c->anchors_ & akLeft) w = cw - c->rightDistance_ - l;
                else l = cw - c->rightDistance_ - w;
            }
            if (c->anchors_ & akBottom) {
                if (c->anchors_ & akTop) h = ch - c->bottomDistance_ - t;
                else t = ch - c->bottomDistance_ - h;
            }
        }
        if (l != c->left_ || t != c->top_ || w != c->width_ || h != c->height_) {
            c->left_ = l;
            c->top_ = t;
            c->width_ = std::max(0, w);
            c->height_ = std::max(0, h);
            if (c->align == Align::Bottom) c->recordAnchorDistances();
            c->applyWindowBounds();
        }
    }
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
        c->font_.face = font_.face;
        c->font_.height = font_.height;
        c->font_.style = font_.style;
        c->font_.color = font_.color;
        c->fontChanged();
    }
    if (auto* l = dynamic_cast<Label*>(this)) l->adjustSize();
}

void Control::setHint(std::wstring_view text) {
    if (hint_ == text) return;
    hint_.assign(text);
    if (Form* f = form(); f && hwnd_) f->registerHint(*this);
}

void Control::click() {
    if (onClick) onClick(this);
}

void Control::repaint() {
    if (!hwnd_) return;
    ::InvalidateRect(hwnd_, nullptr, FALSE);
    ::UpdateWindow(hwnd_);
}

void Control::invalidate() {
    if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void Control::mouseEnter() {
    if (onMouseEnter) onMouseEnter(this);
}

void Control::mouseLeave() {
    if (onMouseLeave) onMouseLeave(this);
}

bool Control::handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        if (lp) {
            if (Control* child = fromHandle(reinterpret_cast<HWND>(lp)); child && child != this) {
                child->handleNotification(HIWORD(wp));
                result = 0;
                return true;
            }
        }
        return false;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        Control* child = fromHandle(reinterpret_cast<HWND>(lp));
        auto dc = reinterpret_cast<HDC>(wp);
        Color text = child ? child->font_.color : font_.color;
        Color back = child ? child->color : color;
        ::SetTextColor(dc, colorToRgb(text));
        ::SetBkColor(dc, colorToRgb(back));
        result = reinterpret_cast<LRESULT>(brushFor(back).get());
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
            ShiftState s = currentShiftState();
            int button = msg == WM_LBUTTONUP ? 0 : msg == WM_RBUTTONUP ? 1 : 2;
            onMouseUp(this, button, s, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        }
        return false;
    case WM_NCDESTROY:
        hwnd_ = nullptr;
        return false;
    default:
        return false;
    }
}

// ----- Panel -----

Panel::Panel(Component* owner, Control* parent) : Control(owner, parent) {
    registerOwnClass(kPanelClass, nullptr);
}

void Panel::setColor(Color c) {
    if (color == c) return;
    color = c;
    invalidate();
}

// For windows of our own classes that paint their whole area: no separate background erase, and
// WM_PAINT goes to paint(dc). False for every other message.
template <class Paint>
bool paintWholeWindow(HWND hwnd, UINT msg, LRESULT& result, Paint paint) {
    if (msg == WM_ERASEBKGND) {
        result = 1;
        return true;
    }
    if (msg != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd, &ps);
    paint(dc);
    ::EndPaint(hwnd, &ps);
    return true;
}

void Panel::paint(HDC dc) {
    RECT rc;
    ::GetClientRect(hwnd_, &rc);
    // A swatch panel takes any colour the screen shows: a cached brush per colour would pile up.
    BrushHandle brush(::CreateSolidBrush(colorToRgb(color)));
    ::FillRect(dc, &rc, brush.get());
    if (raisedBevel) ::DrawEdge(dc, &rc, BDR_RAISEDINNER, BF_RECT);
    if (!caption_.empty()) {
        SelectObjectScope f(dc, font_.handle());
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, colorToRgb(font_.color));
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
        return paintWholeWindow(hwnd_, msg, result, [this](HDC dc) { paint(dc); });
    case WM_SIZE:
        realignChildren();
        invalidate();
        return false;
    default:
        return Control::handleMessage(msg, wp, lp, result);
    }
}

// ----- Image -----

Image::Image(Component* owner, Control* parent) : Control(owner, parent) {
    registerOwnClass(kImageClass, nullptr);
    picture_.onChange = [this] { invalidate(); };
}

bool Image::handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    const bool painted = paintWholeWindow(hwnd_, msg, result, [this](HDC dc) {
        const int bw = picture_.handle() ? picture_.width() : 0;
        const int bh = picture_.handle() ? picture_.height() : 0;
        if (bw > 0 && bh > 0) ::BitBlt(dc, 0, 0, bw, bh, picture_.dc(), 0, 0, SRCCOPY);
        // Whatever the picture does not cover shows the parent's colour.
        HBRUSH back = brushFor(parent_ ? parent_->color : color).get();
        RECT right{bw, 0, width_, height_}, below{0, bh, bw, height_};
        if (bw < width_) ::FillRect(dc, &right, back);
        if (bh < height_) ::FillRect(dc, &below, back);
    });
    return painted || Control::handleMessage(msg, wp, lp, result);
}

// ----- Label -----

Label::Label(Component* owner, Control* parent) : Control(owner, parent) {}

void Label::setCaption(std::wstring_view text) {
    if (caption_ == text) return;
    Control::setCaption(text);
    adjustSize();
    if (!autoSize) invalidate();
}

void Label::adjustSize() {
    if (!autoSize || !hwnd_) return;
    // As with any auto-sized label, an empty caption keeps the height of one line.
    std::wstring text = caption_.empty() ? L" " : caption_;
    WindowDc dc(nullptr, ::GetDC(nullptr));
    SelectObjectScope f(dc.get(), font_.handle());
    RECT rc{0, 0, 0, 0};
    ::DrawTextW(dc.get(), text.c_str(), -1, &rc, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    int l = left_;
    if (alignment == Alignment::Right) l = left_ + width_ - w;
    else if (alignment == Alignment::Center) l = left_ + (width_ - w) / 2;
    if (w != width_ || h != height_ || l != left_) setBounds(l, top_, w, h);
}

void Label::handleNotification(WORD) {
    // The static control reports a click on the button press; the click is raised on release.
}

bool Label::handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_LBUTTONDOWN:
        // A click is a press and a release over the label: pressing and sliding off does nothing.
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
        ::FillRect(reinterpret_cast<HDC>(wp), &rc, brushFor(color).get());
        result = 1;
        return true;
    }
    default:
        break;
    }
    return Control::handleMessage(msg, wp, lp, result);
}

// ----- buttons -----

void ButtonControl::handleNotification(WORD code) {
    if (code == BN_CLICKED) click();
}

CheckBox::CheckBox(Component* owner, Control* parent) : ButtonControl(owner, parent) { tabStop = true; }

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
    return ButtonControl::handleMessage(msg, wp, lp, result);
}

RadioButton::RadioButton(Component* owner, Control* parent) : ButtonControl(owner, parent) { tabStop = true; }

bool RadioButton::checked() const {
    return hwnd_ && ::SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void RadioButton::setChecked(bool value) {
    if (checked() == value) return;
    if (value && parent_) {
        for (Control* sibling : parent_->children()) {
            auto* r = dynamic_cast<RadioButton*>(sibling);
            if (r && r != this && r->checked()) ::SendMessageW(r->hwnd_, BM_SETCHECK, BST_UNCHECKED, 0);
        }
    }
    ::SendMessageW(hwnd_, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    updateGroupTabStop();
    click();
}

// As in any dialog, a group of radio buttons is one tab stop, the checked button, and the arrow
// keys move within it: a radio button that Tab reaches unchecked reports a click on Windows, so
// tabbing through the row would change the choice at every stop.
void RadioButton::updateGroupTabStop() {
    if (!parent_) return;
    for (Control* sibling : parent_->children()) {
        auto* r = dynamic_cast<RadioButton*>(sibling);
        if (!r || !r->hwnd_) continue;
        const LONG_PTR style = ::GetWindowLongPtrW(r->hwnd_, GWL_STYLE);
        const LONG_PTR wanted = r->checked() ? style | WS_TABSTOP : style & ~static_cast<LONG_PTR>(WS_TABSTOP);
        if (wanted != style) ::SetWindowLongPtrW(r->hwnd_, GWL_STYLE, wanted);
    }
}

void RadioButton::handleNotification(WORD code) {
    if (code == BN_CLICKED) setChecked(true);
}

GroupBox::GroupBox(Component* owner, Control* parent) : Control(owner, parent) {}

Button::Button(Component* owner, Control* parent) : ButtonControl(owner, parent) { tabStop = true; }

void Button::click() {
    if (modalResult != 0) {
        if (Form* f = form()) f->modalResult = modalResult;
    }
    Control::click();
}

Bevel::Bevel(Component* owner, Control* parent) : Control(owner, parent) {
    registerOwnClass(kBevelClass, nullptr);
}

bool Bevel::handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    const bool painted = paintWholeWindow(hwnd_, msg, result, [this](HDC dc) {
        RECT rc;
        ::GetClientRect(hwnd_, &rc);
        ::FillRect(dc, &rc, brushFor(parent_ ? parent_->color : color).get());
        ::DrawEdge(dc, &rc, EDGE_ETCHED, BF_TOP);
    });
    return painted || Control::handleMessage(msg, wp, lp, result);
}

// ----- Timer -----

Timer::Timer(Component* owner) : Component(owner) {
    static UINT_PTR nextId = 1;
    id_ = nextId++;
    timers()[id_] = this;
    restart();
}

Timer::~Timer() {
    ::KillTimer(application().utilityWindow(), id_);
    timers().erase(id_);
}

void Timer::setInterval(unsigned ms) {
    if (ms == interval_) return;
    interval_ = ms;
    restart();
}

void Timer::setEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    restart();
}

void Timer::restart() {
    HWND w = application().utilityWindow();
    ::KillTimer(w, id_);
    if (enabled_ && interval_ > 0) ::SetTimer(w, id_, interval_, nullptr);
}

void Timer::tick() {
    if (onTimer) onTimer(this);
}

void Timer::deliver(UINT_PTR id) {
    auto it = timers().find(id);
    if (it != timers().end()) it->second->tick();
}

// ----- Form -----

Form::Form(Component* owner, const FormDef& def) : Control(owner, nullptr), def_(def) {
    name.assign(def.name);
    caption_.assign(def.caption);
    font_.face.assign(def.font.face.empty() ? L"Tahoma" : def.font.face);
    font_.height = def.font.height ? def.font.height : -11;
    font_.style = def.font.style;
    font_.color = def.font.color;
    color = def.color;
    keyPreview = def.keyPreview;
    position = def.position;

    std::wstring cls(def.className);
    registerOwnClass(cls.c_str(), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    DWORD style = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
    DWORD ex = WS_EX_CONTROLPARENT;
    if (def.border == BorderStyle::Dialog) {
        style |= WS_POPUP | DS_MODALFRAME;
        ex |= WS_EX_DLGMODALFRAME;
    } else {
        style |= WS_OVERLAPPED | WS_THICKFRAME;
        if (def.minimizeBox) style |= WS_MINIMIZEBOX;
        if (def.maximizeBox) style |= WS_MAXIMIZEBOX;
    }
    RECT rc{0, 0, def.clientWidth, def.clientHeight};
    ::AdjustWindowRectEx(&rc, style, FALSE, ex);
    const bool systemPlaced = def.position == Position::Default || def.position == Position::DefaultPosOnly;
    HWND ownerWnd = nullptr;
    if (auto* ownerForm = dynamic_cast<Form*>(owner)) ownerWnd = ownerForm->handle();
    hwnd_ = ::CreateWindowExW(ex, cls.c_str(), caption_.c_str(), style, systemPlaced ? CW_USEDEFAULT : 0,
                              systemPlaced ? CW_USEDEFAULT : 0, rc.right - rc.left, rc.bottom - rc.top, ownerWnd,
                              nullptr, instance(), static_cast<Control*>(this));
    RECT wr{};
    ::GetWindowRect(hwnd_, &wr);
    left_ = wr.left;
    top_ = wr.top;
    width_ = wr.right - wr.left;
    height_ = wr.bottom - wr.top;
    ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.handle()), FALSE);
    if (!application().mainForm) application().mainForm = this;
}

Form::~Form() { destroyHandle(); }

void Form::destroyHandle() {
    if (destroyed_) return;
    destroyed_ = true;
    if (onDestroy) guarded([this] { onDestroy(this); });
    if (application().mainForm == this) application().mainForm = nullptr;
    tooltip_.reset();
    if (hwnd_) {
        HWND h = hwnd_;
        ::DestroyWindow(h);
        hwnd_ = nullptr;
    }
}

RECT Form::boundsRect() const {
    RECT r{left_, top_, left_ + width_, top_ + height_};
    if (!hwnd_) return r;
    if (::IsIconic(hwnd_)) {
        WINDOWPLACEMENT wp{};
        wp.length = sizeof wp;
        if (::GetWindowPlacement(hwnd_, &wp)) {
            // The placement is in work-area coordinates; bounds are screen coordinates.
            r = wp.rcNormalPosition;
            MONITORINFO mi{};
            mi.cbSize = sizeof mi;
            if (::GetMonitorInfoW(::MonitorFromRect(&r, MONITOR_DEFAULTTOPRIMARY), &mi))
                ::OffsetRect(&r, mi.rcWork.left - mi.rcMonitor.left, mi.rcWork.top - mi.rcMonitor.top);
        }
        return r;
    }
    ::GetWindowRect(hwnd_, &r);
    return r;
}

void Form::setBounds(int l, int t, int w, int h) {
    if (!hwnd_) return;
    if (::IsIconic(hwnd_)) {
        WINDOWPLACEMENT wp{};
        wp.length = sizeof wp;
        ::GetWindowPlacement(hwnd_, &wp);
        RECT r{l, t, l + w, t + h};
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        if (::GetMonitorInfoW(::MonitorFromRect(&r, MONITOR_DEFAULTTOPRIMARY), &mi))
            ::OffsetRect(&r, mi.rcMonitor.left - mi.rcWork.left, mi.rcMonitor.top - mi.rcWork.top);
        wp.rcNormalPosition = r;
        ::SetWindowPlacement(hwnd_, &wp);
    } else {
        ::SetWindowPos(hwnd_, nullptr, l, t, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT b = boundsRect();
    left_ = b.left;
    top_ = b.top;
    width_ = b.right - b.left;
    height_ = b.bottom - b.top;
}

int Form::clientWidth() const {
    RECT rc{};
    if (hwnd_) ::GetClientRect(hwnd_, &rc);
    return rc.right;
}

int Form::clientHeight() const {
    RECT rc{};
    if (hwnd_) ::GetClientRect(hwnd_, &rc);
    return rc.bottom;
}

void Form::setClientSize(int w, int h) {
    RECT rc{0, 0, w, h};
    ::AdjustWindowRectEx(&rc, static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
    RECT b = boundsRect();
    setBounds(b.left, b.top, rc.right - rc.left, rc.bottom - rc.top);
}

WindowState Form::windowState() const {
    if (hwnd_ && ::IsIconic(hwnd_)) return WindowState::Minimized;
    if (hwnd_ && ::IsZoomed(hwnd_)) return WindowState::Maximized;
    return WindowState::Normal;
}

HMONITOR Form::monitor() const { return hwnd_ ? ::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST) : nullptr; }

Control* Form::findControl(std::wstring_view controlName) { return find<Control>(controlName); }

Button* Form::defaultButton() {
    for (auto& c : components())
        if (auto* b = dynamic_cast<Button*>(c.get()); b && b->isDefault) return b;
    return nullptr;
}

Button* Form::cancelButton() {
    for (auto& c : components())
        if (auto* b = dynamic_cast<Button*>(c.get()); b && b->isCancel) return b;
    return nullptr;
}

Control& Form::createFromDef(Kind kind, Control* parent, std::wstring_view controlName, int l, int t, int w, int h,
                             std::wstring_view caption, const FontDef& font, Anchors anchors, int order, int tagValue,
                             ControlOptions options, int result, Color colour, unsigned) {
    Control* c = nullptr;
    const wchar_t* cls = nullptr;
    DWORD style = 0, ex = 0;
    switch (kind) {
    case Kind::Panel: {
        auto& p = add<Panel>(parent);
        p.raisedBevel = !(options & coNoBevel);
        c = &p;
        cls = kPanelClass;
        style = WS_CLIPCHILDREN;
        ex = WS_EX_CONTROLPARENT;
        break;
    }
    case Kind::Image:
        c = &add<Image>(parent);
        cls = kImageClass;
        break;
    case Kind::Label: {
        auto& lb = add<Label>(parent);
        lb.autoSize = !(options & coFixedSize);
        lb.alignment = (options & coAlignRight) ? Alignment::Right
                       : (options & coAlignCenter) ? Alignment::Center : Alignment::Left;
        c = &lb;
        cls = WC_STATICW;
        style = SS_NOTIFY | (lb.alignment == Alignment::Right ? SS_RIGHT
                             : lb.alignment == Alignment::Center ? SS_CENTER : SS_LEFT);
        break;
    }
    case Kind::CheckBox:
        c = &add<CheckBox>(parent);
        cls = WC_BUTTONW;
        style = BS_AUTOCHECKBOX;
        break;
    case Kind::RadioButton:
        c = &add<RadioButton>(parent);
        cls = WC_BUTTONW;
        style = BS_RADIOBUTTON;
        break;
    case Kind::GroupBox:
        c = &add<GroupBox>(parent);
        cls = WC_BUTTONW;
        style = BS_GROUPBOX;
        ex = WS_EX_TRANSPARENT;
        break;
    case Kind::Button: {
        auto& b = add<Button>(parent);
        b.isDefault = (options & coDefault) != 0;
        b.isCancel = (options & coCancel) != 0;
        b.modalResult = result;
        c = &b;
        cls = WC_BUTTONW;
        style = b.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        break;
    }
    case Kind::Bevel:
        c = &add<Bevel>(parent);
        cls = kBevelClass;
        break;
    case Kind::Timer:
        break;
    }
    c->name.assign(controlName);
    c->tag = tagValue;
    c->tabOrder = order;
    c->left_ = l;
    c->top_ = t;
    c->width_ = w;
    c->height_ = h;
    c->caption_.assign(caption);
    c->color = kind == Kind::Panel ? colour : parent->color;
    c->anchors_ = anchors;
    if (options & coAlignBottom) c->align = Align::Bottom;
    if (!font.face.empty()) {
        c->parentFont = false;
        c->font_.assign(font);
    }
    c->createWindow(cls, style, ex);
    if (options & coDisabled) ::EnableWindow(c->hwnd_, FALSE);
    if (auto* lb = dynamic_cast<Label*>(c)) lb->adjustSize();
    return *c;
}

void Form::applyTabOrder(Control& parent) {
    // Focusable controls stack by tab order (dialog navigation follows the stacking); the rest lie
    // behind them, later-created in front, so overlaps draw as laid out.
    std::vector<Control*> focusable, rest;
    for (Control* c : parent.children()) (c->tabStop ? focusable : rest).push_back(c);
    std::stable_sort(focusable.begin(), focusable.end(),
                     [](Control* a, Control* b) { return a->tabOrder < b->tabOrder; });
    std::reverse(rest.begin(), rest.end());
    HWND after = HWND_TOP;
    for (auto* list : {&focusable, &rest})
        for (Control* c : *list) {
            ::SetWindowPos(c->hwnd_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            after = c->hwnd_;
        }
    for (Control* c : parent.children()) applyTabOrder(*c);
}

void Form::finishBuild() {
    applyTabOrder(*this);
    realignChildren();
}

void Form::fireResize() {
    if (onResize) onResize(this);
}

void Form::registerHint(Control& control) {
    if (!tooltip_) {
        // Unowned: Wine cannot move a shown window that owns a popup into the topmost band, which
        // would break Stay on top. The form destroys the tooltip itself.
        tooltip_.reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                         instance(), nullptr));
        if (!tooltip_) return;
        ::SendMessageW(tooltip_.get(), TTM_ACTIVATE, showHint, 0);
    }
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(control.handle());
    ti.lpszText = const_cast<wchar_t*>(control.hint().c_str());
    TOOLINFOW existing = ti;
    existing.lpszText = nullptr;
    if (::SendMessageW(tooltip_.get(), TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&existing)))
        ::SendMessageW(tooltip_.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
    else
        ::SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void Form::scaleControl(Control& c, int m, int d) {
    c.left_ = ::MulDiv(c.left_, m, d);
    c.top_ = ::MulDiv(c.top_, m, d);
    c.width_ = ::MulDiv(c.width_, m, d);
    c.height_ = ::MulDiv(c.height_, m, d);
    c.applyWindowBounds();
    c.font_.height = ::MulDiv(c.font_.height, m, d);
    c.font_.changed();
    if (c.hwnd_) ::SendMessageW(c.hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(c.font_.handle()), TRUE);
    for (Control* child : c.children()) scaleControl(*child, m, d);
}

void Form::scaleBy(int m, int d) {
    if (d == 0 || m == d) return;
    const int cw = clientWidth(), ch = clientHeight();
    inScale_ = true;
    try {
        font_.height = ::MulDiv(font_.height, m, d);
        font_.changed();
        for (Control* child : children()) scaleControl(*child, m, d);
        setClientSize(::MulDiv(cw, m, d), ::MulDiv(ch, m, d));
    } catch (...) {
        inScale_ = false;
        throw;
    }
    inScale_ = false;
    // Anchors hold the distances the scaled layout has now.
    std::function<void(Control&)> record = [&](Control& c) {
        for (Control* child : c.children()) {
            child->recordAnchorDistances();
            if (auto* l = dynamic_cast<Label*>(child)) l->adjustSize();
            record(*child);
        }
    };
    record(*this);
    realignChildren();
    fireResize();
}

void Form::centre() {
    int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    RECT b = boundsRect();
    int w = b.right - b.left, h = b.bottom - b.top;
    setBounds((sw - w) / 2, (sh - h) / 2, w, h);
}

void Form::show() {
    if (!shown_) {
        shown_ = true;
        if (position == Position::ScreenCenter || position == Position::DesktopCenter ||
            position == Position::MainFormCenter || position == Position::OwnerFormCenter)
            centre();
        if (onShow) guarded([this] { onShow(this); });  // an error here gets the error box like any handler's
    }
    ::ShowWindow(hwnd_, SW_SHOWNORMAL);
    ::UpdateWindow(hwnd_);
}

void Form::close() {
    if (hwnd_) ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

int Form::showModal() {
    HWND ownerWnd = ::GetWindow(hwnd_, GW_OWNER);
    if (ownerWnd) ::EnableWindow(ownerWnd, FALSE);
    modal_ = true;
    modalResult = 0;
    show();
    auto& app = application();
    MSG msg;
    while (modalResult == 0 && !app.terminated()) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            app.terminate();  // a quit request ends the modal loop and then the program
            break;
        }
        app.dispatch(msg);
    }
    if (ownerWnd) ::EnableWindow(ownerWnd, TRUE);
    ::ShowWindow(hwnd_, SW_HIDE);
    if (ownerWnd) ::SetActiveWindow(ownerWnd);
    modal_ = false;
    shown_ = false;
    return modalResult;
}

bool Form::handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_WINDOWPOSCHANGED: {
        RECT b = boundsRect();
        left_ = b.left;
        top_ = b.top;
        width_ = b.right - b.left;
        height_ = b.bottom - b.top;
        return false;  // the default handling sends WM_SIZE and WM_MOVE
    }
    case WM_SIZE:
        if (wp != SIZE_MINIMIZED) {
            realignChildren();
            if (!inScale_) fireResize();
        }
        return false;
    case WM_CLOSE:
        if (modal_) modalResult = 2;  // cancelled
        else if (application().mainForm == this) application().terminate();
        else ::ShowWindow(hwnd_, SW_HIDE);
        result = 0;
        return true;
    case WM_COMMAND:
        if (!lp || !fromHandle(reinterpret_cast<HWND>(lp))) {
            Button* b = LOWORD(wp) == IDCANCEL ? cancelButton() : LOWORD(wp) == IDOK ? defaultButton() : nullptr;
            if (b) b->click();
            result = 0;
            return true;
        }
        return Control::handleMessage(msg, wp, lp, result);
    case DM_GETDEFID:
        if (defaultButton()) {
            result = MAKELRESULT(IDOK, DC_HASDEFID);
            return true;
        }
        return false;
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
        ShiftState s = currentShiftState();
        POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        bool handledAll = true;
        while (wheelAccumulator_ >= WHEEL_DELTA || wheelAccumulator_ <= -WHEEL_DELTA) {
            const bool up = wheelAccumulator_ > 0;
            wheelAccumulator_ += up ? -WHEEL_DELTA : WHEEL_DELTA;
            bool handled = false;
            auto& handler = up ? onMouseWheelUp : onMouseWheelDown;
            if (handler) handler(this, s, pt, handled);
            handledAll = handledAll && handled;
        }
        if (handledAll) {
            result = 0;
            return true;
        }
        return false;
    }
    case WM_MOUSEMOVE:
        if (onMouseMove) onMouseMove(this, currentShiftState(), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return false;
    default:
        return Control::handleMessage(msg, wp, lp, result);
    }
}

}  // namespace forms
