// Components, and controls: the object behind every window, bound to it from its first message on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "win32/font.h"
#include "win32/graphics.h"
#include "forms/layout.h"

namespace forms {

class Form;

// Modifier keys held with a key, mouse or wheel event.
using ShiftState = std::uint8_t;
inline constexpr ShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4;
ShiftState currentShiftState();

// Owns the components made with add(), and frees them last-made first.
class Component {
public:
    explicit Component(Component* owner) : owner_(owner) {}
    virtual ~Component() { destroyComponents(); }
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    std::wstring name;
    int tag = 0;
    Component* owner() const noexcept { return owner_; }
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
    void destroyComponents() noexcept {
        while (!components_.empty()) components_.pop_back();
    }

private:
    Component* owner_;
    std::vector<std::unique_ptr<Component>> components_;
};

// What a control or form raises, the sender first.
template <class... A>
using Event = std::function<void(Component* sender, A...)>;
using Notify = Event<>;

// The window a control makes: its class and styles. Classes of our own are registered on first use.
struct WindowClass {
    const wchar_t* name;
    DWORD style = 0;
    DWORD exStyle = 0;
    bool own = false;
    HBRUSH background = nullptr;  // own classes only
    int id = 0;                   // 0: the next free control id
};

// A visible control: always a real window, so accessibility tools and black-box tests can read it.
// Bounds are the outer rectangle in the parent's client coordinates (a form's parent is the screen).
class Control : public Component {
public:
    Control(Component* owner, Control* parent);
    ~Control() override;

    // Where the window lives; null once that control is destroyed, which takes this window with it.
    Control* parent() const noexcept { return parent_; }
    const std::vector<Control*>& children() const noexcept { return children_; }
    Form* form();
    HWND handle() const noexcept { return hwnd_; }
    // The control bound to a window of this process, or null.
    static Control* fromHandle(HWND hwnd);

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
    Dock dock = Dock::None;

    const std::wstring& caption() const noexcept { return caption_; }
    virtual void setCaption(std::wstring_view text);
    win32::Font& font() noexcept { return font_; }
    bool parentFont = true;
    void fontChanged();  // after editing font(): applies it here and to the children that take it
    win32::Color color = win32::clBtnFace;
    const std::wstring& hint() const noexcept { return hint_; }
    void setHint(std::wstring_view text);
    HCURSOR cursor = nullptr;  // null: the window class's cursor
    bool tabStop = false;
    int tabOrder = -1;

    Notify onClick;
    Event<int /*button*/, ShiftState, int /*x*/, int /*y*/> onMouseUp;
    virtual void click() {
        if (onClick) onClick(this);
    }

    void repaint();  // now, synchronously
    void invalidate();

    // Makes the window once parent and properties are set.
    void createWindow();
    // Sizes the control to its content, where it has an automatic size.
    virtual void adjustSize() {}

    // A message to this control's own window; true when handled, with the result set.
    virtual bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // A notification (WM_COMMAND code) the control's window sent its parent.
    virtual void handleNotification(WORD /*code*/) {}

protected:
    virtual WindowClass windowClass() const = 0;
    // Creates a window bound to this control. Own classes bind at the window's first message, so the
    // handle is set for every message; standard classes are bound and subclassed when CreateWindowExW
    // returns.
    void createBoundWindow(const WindowClass& wc, int x, int y, int w, int h, HWND parent);
    // Takes and applies new bounds; swpFlags add to the move's (SWP_NOREDRAW: the caller repaints).
    void place(int left, int top, int width, int height, UINT swpFlags);
    // Moves the window to the bounds held here.
    void applyBounds(UINT swpFlags = 0);
    // Unbinds this control and its children, so that no message reaches them any more.
    void unbindTree() noexcept;
    virtual void mouseEnter() {}
    virtual void mouseLeave() {}

    HWND hwnd_ = nullptr;
    Control* parent_;
    std::vector<Control*> children_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    Anchors anchors_ = akLeft | akTop;
    AnchorDistances distances_;
    DesignValues design_;  // taken when the window is made
    std::wstring caption_;
    std::wstring hint_;
    win32::Font font_;

private:
    friend struct WindowBinding;
    friend void realign(Control&);
    friend void recordAnchorDistances(Control&);
    friend void layoutFromDesign(Control&, int, int, int);
    bool mouseInside_ = false;
    bool subclassed_ = false;
};

}  // namespace forms
