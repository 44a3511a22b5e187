// The window framework: components, controls as real child windows, forms built from layout tables.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "forms/graphics.h"
#include "forms/handles.h"

namespace forms {

class Form;

// Modifier keys held with a key or wheel event.
using ShiftState = std::uint8_t;
inline constexpr ShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4;
ShiftState currentShiftState();

using Anchors = std::uint8_t;
inline constexpr Anchors akLeft = 1, akTop = 2, akRight = 4, akBottom = 8;

using FontStyle = std::uint8_t;
inline constexpr FontStyle fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8;

struct FontDef {
    std::wstring_view face;  // empty: take the parent's font
    int height = 0;          // negative: character height in pixels
    FontStyle style = 0;
    Color color = clWindowText;
};

class Font {
public:
    std::wstring face = L"Tahoma";
    int height = -11;
    FontStyle style = 0;
    Color color = clWindowText;

    void assign(const FontDef& def);
    HFONT handle();  // created on demand for the current face, height and style
    void changed() { handle_.reset(); }

private:
    FontHandle handle_;
};

class Component {
public:
    explicit Component(Component* owner);
    virtual ~Component();
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    std::wstring name;
    int tag = 0;
    Component* owner() const noexcept { return owner_; }
    // Components this one owns, in creation order.
    const std::vector<std::unique_ptr<Component>>& components() const noexcept { return components_; }
    // The owned component of that name, when it is a T.
    template <class T>
    T* find(std::wstring_view componentName) const {
        for (const auto& c : components_)
            if (c->name == componentName) return dynamic_cast<T*>(c.get());
        return nullptr;
    }
    template <class T, class... Args>
    T& add(Args&&... args) {
        auto p = std::make_unique<T>(this, std::forward<Args>(args)...);
        T& ref = *p;
        components_.push_back(std::move(p));
        return ref;
    }

protected:
    // Frees owned components, last-created first (children before the parents they refer to).
    void destroyComponents() noexcept {
        while (!components_.empty()) components_.pop_back();
    }

private:
    Component* owner_;
    std::vector<std::unique_ptr<Component>> components_;
};

using Notify = std::function<void(Component* sender)>;

enum class Align : std::uint8_t { None, Bottom };

// A visible control: always a real window, so accessibility tools and black-box tests can read it.
class Control : public Component {
public:
    Control(Component* owner, Control* parent);
    ~Control() override;

    Control* parent() const noexcept { return parent_; }
    const std::vector<Control*>& children() const noexcept { return children_; }
    Form* form();
    HWND handle() const noexcept { return hwnd_; }

    int left() const noexcept { return left_; }
    int top() const noexcept { return top_; }
    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    virtual void setBounds(int left, int top, int width, int height);
    void setLeft(int v) { setBounds(v, top(), width(), height()); }
    void setTop(int v) { setBounds(left(), v, width(), height()); }
    void setWidth(int v) { setBounds(left(), top(), v, height()); }
    void setHeight(int v) { setBounds(left(), top(), width(), v); }
    virtual int clientWidth() const { return width_; }
    virtual int clientHeight() const { return height_; }

    Anchors anchors() const noexcept { return anchors_; }
    void setAnchors(Anchors a);
    Align align = Align::None;

    const std::wstring& caption() const noexcept { return caption_; }
    virtual void setCaption(std::wstring_view text);

    Font& font() noexcept { return font_; }
    bool parentFont = true;
    void fontChanged();  // after editing font(): applies it to the window

    Color color = clBtnFace;
    const std::wstring& hint() const noexcept { return hint_; }
    void setHint(std::wstring_view text);

    HCURSOR cursor = nullptr;  // null: the window class's cursor

    Notify onClick;
    Notify onMouseEnter;
    Notify onMouseLeave;
    std::function<void(Component*, int button, ShiftState, int x, int y)> onMouseUp;

    virtual void click();
    bool mouseInside() const noexcept { return mouseInside_; }

    // Repaints now, synchronously.
    void repaint();
    void invalidate();

    // Builds the window; called once parent and properties are set.
    void createWindow(const wchar_t* windowClass, DWORD style, DWORD exStyle = 0);
    // Moves children along their parent's new size (alignment and anchors).
    void realignChildren();
    bool tabStop = false;
    int tabOrder = -1;

    // Handles a message sent to this control's own window; return true when handled.
    virtual bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // A notification (WM_COMMAND code) from the control's window to its parent.
    virtual void handleNotification(WORD /*code*/) {}
    static Control* fromHandle(HWND hwnd);

protected:
    virtual void mouseEnter();
    virtual void mouseLeave();
    void recordAnchorDistances();
    void applyWindowBounds();
    friend class Form;

    HWND hwnd_ = nullptr;
    Control* parent_;
    std::vector<Control*> children_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    Anchors anchors_ = akLeft | akTop;
    int rightDistance_ = 0, bottomDistance_ = 0;
    std::wstring caption_;
    std::wstring hint_;
    Font font_;
    bool mouseInside_ = false;
    bool subclassed_ = false;
};

// A container with an optional raised bevel; also serves as a colour swatch.
class Panel : public Control {
public:
    Panel(Component* owner, Control* parent);
    bool raisedBevel = true;
    void setColor(Color c);
    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void paint(HDC dc);
};

// Holds a bitmap of its own and draws it unscaled at its top-left corner.
class Image : public Control {
public:
    Image(Component* owner, Control* parent);
    Bitmap& picture() noexcept { return picture_; }
    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    Bitmap picture_;
};

enum class Alignment : std::uint8_t { Left, Right, Center };

class Label : public Control {
public:
    Label(Component* owner, Control* parent);
    bool autoSize = true;
    Alignment alignment = Alignment::Left;
    // Raised by the second press of a double-click, which raises no click.
    Notify onDblClick;
    void setCaption(std::wstring_view text) override;
    void adjustSize();
    void handleNotification(WORD code) override;
    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    bool pressed_ = false;
};

class ButtonControl : public Control {
public:
    using Control::Control;
    void handleNotification(WORD code) override;
};

class CheckBox : public ButtonControl {
public:
    CheckBox(Component* owner, Control* parent);
    // Kept here rather than asked of the control: the capture reads it at every tick, and a message to
    // a subclassed control costs window-property look-ups.
    bool checked() const { return checked_; }
    // Changing the state by code raises the click event, as a user click does.
    void setChecked(bool value);
    void handleNotification(WORD code) override;
    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    bool checked_ = false;
};

class RadioButton : public ButtonControl {
public:
    RadioButton(Component* owner, Control* parent);
    bool checked() const;
    // Checking unchecks the siblings and raises the click event when the state changes.
    void setChecked(bool value);
    void handleNotification(WORD code) override;

private:
    void updateGroupTabStop();
};

class GroupBox : public Control {
public:
    GroupBox(Component* owner, Control* parent);
};

class Button : public ButtonControl {
public:
    Button(Component* owner, Control* parent);
    int modalResult = 0;
    bool isDefault = false;
    bool isCancel = false;
    void click() override;
};

// A lowered line along the top edge: a rule across a dialog.
class Bevel : public Control {
public:
    Bevel(Component* owner, Control* parent);
    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

// A periodic timer delivering on the GUI thread.
class Timer : public Component {
public:
    explicit Timer(Component* owner);
    ~Timer() override;
    unsigned interval() const noexcept { return interval_; }
    void setInterval(unsigned ms);  // the same value again does nothing
    bool enabled() const noexcept { return enabled_; }
    void setEnabled(bool on);
    Notify onTimer;
    void tick();
    static void deliver(UINT_PTR id);

private:
    void restart();
    unsigned interval_ = 1000;
    bool enabled_ = true;
    UINT_PTR id_;
};

// ----- layout tables -----

enum class Kind : std::uint8_t { Panel, Image, Label, CheckBox, RadioButton, GroupBox, Button, Bevel, Timer };

using ControlOptions = std::uint16_t;
inline constexpr ControlOptions coNone = 0, coFixedSize = 1, coAlignRight = 2, coAlignCenter = 4,
                                coAlignBottom = 8, coDefault = 16, coCancel = 32, coNoBevel = 64,
                                coDisabled = 128;

template <class F>
using Handler = void (F::*)(Component* sender);

template <class F>
struct ControlDef {
    std::wstring_view name;
    Kind kind;
    std::wstring_view parent;  // empty: the form
    int left, top, width, height;
    std::wstring_view caption;
    FontDef font{};
    Anchors anchors = akLeft | akTop;
    int tabOrder = -1;
    int tag = 0;
    ControlOptions options = coNone;
    Handler<F> onClick = nullptr;
    int modalResult = 0;
    Color color = clBtnFace;
    unsigned interval = 1000;  // timers
};

enum class BorderStyle : std::uint8_t { Sizeable, Dialog };
enum class Position : std::uint8_t {
    Designed, Default, DefaultPosOnly, DefaultSizeOnly, ScreenCenter, DesktopCenter, MainFormCenter,
    OwnerFormCenter
};
enum class WindowState : std::uint8_t { Normal, Minimized, Maximized };

struct FormDef {
    std::wstring_view className;
    std::wstring_view name;
    std::wstring_view caption;
    int clientWidth, clientHeight;
    FontDef font;
    BorderStyle border = BorderStyle::Sizeable;
    bool minimizeBox = true;
    bool maximizeBox = true;
    Position position = Position::DefaultPosOnly;
    bool keyPreview = false;
    Color color = clBtnFace;
};

class Form : public Control {
public:
    Form(Component* owner, const FormDef& def);
    ~Form() override;

    // Bounds are the outer frame in screen coordinates; a minimised form reports its restored rectangle.
    void setBounds(int left, int top, int width, int height) override;
    RECT boundsRect() const;
    int clientWidth() const override;
    int clientHeight() const override;
    void setClientSize(int width, int height);

    bool scaled = true;
    bool autoScroll = false;
    bool showHint = false;
    bool keyPreview = false;
    Position position = Position::DefaultPosOnly;
    WindowState windowState() const;
    HMONITOR monitor() const;
    // Scales positions, sizes and fonts of the form and every control by m/d; left and top stay.
    void scaleBy(int m, int d);

    void show();
    void close();
    int showModal();
    int modalResult = 0;
    bool isModal() const noexcept { return modal_; }

    Control* findControl(std::wstring_view controlName);
    Button* defaultButton();
    Button* cancelButton();

    std::function<void(Component*)> onCreate, onShow, onResize, onDestroy, onActivate;
    std::function<void(Component*, WORD& key, ShiftState)> onKeyDown;
    std::function<void(Component*, wchar_t& key)> onKeyPress;
    std::function<void(Component*, ShiftState, POINT, bool& handled)> onMouseWheelDown, onMouseWheelUp;
    std::function<void(Component*, ShiftState, int x, int y)> onMouseMove;

    // Fires the destroy event once and destroys the window; derived forms call it from their destructor.
    void destroyHandle();

    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    HWND tooltip() const noexcept { return tooltip_.get(); }
    bool scaling() const noexcept { return inScale_; }
    void registerHint(Control& control);

protected:
    template <class F>
    void build(std::span<const ControlDef<F>> defs);
    void finishBuild();
    void fireResize();

private:
    Control& createFromDef(Kind kind, Control* parent, std::wstring_view name, int l, int t, int w, int h,
                           std::wstring_view caption, const FontDef& font, Anchors anchors, int tabOrder,
                           int tag, ControlOptions options, int modalResult, Color color, unsigned interval);
    void centre();
    void applyTabOrder(Control& parent);
    void scaleControl(Control& c, int m, int d);

    FormDef def_;
    WindowHandle tooltip_;
    bool shown_ = false;
    bool modal_ = false;
    bool destroyed_ = false;
    bool inScale_ = false;
    int wheelAccumulator_ = 0;
    HWND lastFocus_ = nullptr;
};

template <class F>
void Form::build(std::span<const ControlDef<F>> defs) {
    F* self = static_cast<F*>(this);
    for (const ControlDef<F>& d : defs) {
        if (d.kind == Kind::Timer) {
            auto& t = add<Timer>();
            t.name = d.name;
            t.setInterval(d.interval);
            if (d.onClick) {
                auto handler = d.onClick;
                t.onTimer = [self, handler](Component* sender) { (self->*handler)(sender); };
            }
            continue;
        }
        Control* parent = d.parent.empty() ? this : findControl(d.parent);
        if (!parent) parent = this;
        auto& c = createFromDef(d.kind, parent, d.name, d.left, d.top, d.width, d.height, d.caption, d.font,
                                d.anchors, d.tabOrder, d.tag, d.options, d.modalResult, d.color, d.interval);
        if (d.onClick) {
            auto handler = d.onClick;
            c.onClick = [self, handler](Component* sender) { (self->*handler)(sender); };
        }
    }
    finishBuild();
}

}  // namespace forms
