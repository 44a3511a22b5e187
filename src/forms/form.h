// Forms: top-level windows made from a definition and a layout table, owning their controls.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "forms/build.h"
#include "win32/tooltip.h"
#include "forms/window.h"

namespace forms {

class PushButton;

enum class BorderStyle : std::uint8_t { Sizeable, Dialog };
// Designed: where the definition puts it (the screen's top left); DefaultPosOnly: where the system
// places new windows; ScreenCenter: centred when first shown on its owner form's monitor, or on the
// primary display when it has no owner form.
enum class Position : std::uint8_t { Designed, DefaultPosOnly, ScreenCenter };
enum class WindowState : std::uint8_t { Normal, Minimized, Maximized };
// showModal's results: a button's, or mrCancel for a form closed by its frame (close box, Alt+F4).
inline constexpr int mrOk = 1, mrCancel = 2;

struct FormDef {
    std::wstring_view className;
    std::wstring_view name;
    std::wstring_view caption;
    int clientWidth, clientHeight;
    win32::FontDef font;
    BorderStyle border = BorderStyle::Sizeable;
    bool minimizeBox = true;
    bool maximizeBox = true;
    Position position = Position::DefaultPosOnly;
    bool keyPreview = false;
    win32::Color color = win32::clBtnFace;
    // Events, as handler<&TMyForm::Method>. Create comes once the controls exist and after the first resize.
    Handler<> onCreate = nullptr, onShow = nullptr, onResize = nullptr, onDestroy = nullptr, onActivate = nullptr;
    Handler<WORD& /*key*/, ShiftState> onKeyDown = nullptr;
    Handler<wchar_t& /*key*/> onKeyPress = nullptr;
    Handler<ShiftState, POINT, bool& /*handled*/> onMouseWheelDown = nullptr, onMouseWheelUp = nullptr;
    Handler<ShiftState, int /*x*/, int /*y*/> onMouseMove = nullptr;
};

class Form : public Control {
public:
    explicit Form(Component* owner) : Control(owner, nullptr) {}
    // Without a destroy event: see destroyWindow and FormPtr.
    ~Form() override { releaseWindow(); }

    // Bounds are the outer frame in screen coordinates; a minimised form has its restored rectangle.
    void setBounds(int left, int top, int width, int height) override;
    RECT boundsRect() const;
    int clientWidth() const override { return clientRect().right; }
    int clientHeight() const override { return clientRect().bottom; }
    void setClientSize(int width, int height);

    bool scaled = true, autoScroll = false, showHint = false, keyPreview = false;
    Position position = Position::DefaultPosOnly;
    WindowState windowState() const;
    HMONITOR monitor() const;
    // Lays the form and every control out at percent of their design values (positions, sizes, fonts)
    // and steps the client size with them; left and top stay. One resize follows.
    void scaleTo(int percent);
    // The form's pixel density: its window's when made (an owned form opens over its owner and takes
    // the owner's), then the one each WM_DPICHANGED brings.
    int pixelsPerInch() const noexcept { return pixelsPerInch_; }
    // The percentage of its design values the form is laid out at for a density. Unset, the form
    // keeps its layout when its density changes.
    int (*densityScale)(int pixelsPerInch) = nullptr;
    bool layoutHeld() const noexcept { return layoutHolds_ > 0; }

    void show();
    void close() {
        if (hwnd_) ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    }
    int showModal();
    int modalResult = 0;
    bool isModal() const noexcept { return modal_; }

    // Adds the rows' controls (or timers) to a created form.
    void build(std::span<const ControlRow> rows);
    void build(std::span<const TimerRow> rows);

    Notify onShow, onResize, onDestroy, onActivate;
    Event<WORD& /*key*/, ShiftState> onKeyDown;
    Event<wchar_t& /*key*/> onKeyPress;
    Event<ShiftState, POINT, bool& /*handled*/> onMouseWheelDown, onMouseWheelUp;
    Event<ShiftState, int /*x*/, int /*y*/> onMouseMove;

    // Raises the destroy event, then destroys the window; the object stays. FormPtr calls it.
    void destroyWindow();
    // Key preview: the form's key events see a key before the focused control; true when consumed.
    bool previewKey(MSG& msg);
    void registerHint(Control& control);
    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

protected:
    // Makes the window and the controls, raises the first resize, then the create event. Derived
    // forms call it from their constructor, which makes their members safe to use in every handler.
    void create(const FormDef& def, std::span<const ControlRow> controls = {}, std::span<const TimerRow> timers = {});
    WindowClass windowClass() const override;
    void fireResize() {
        if (onResize) onResize(this);
    }

private:
    friend class LayoutHold;
    void releaseWindow() noexcept;
    void centre();
    void takeBounds();  // from the window
    RECT clientRect() const;
    int framePixelsPerInch() const;
    // Scales and density changes (form_density.cpp).
    void layOutAt(int percent);
    void changeDensity(int pixelsPerInch, const RECT* suggested);
    SIZE scaledWindowSize(int pixelsPerInch) const;
    void takeClientReference();
    PushButton* button(bool PushButton::*role);

    std::wstring className_;
    DWORD style_ = 0, exStyle_ = 0;
    win32::Tooltip tooltip_;
    bool shown_ = false, modal_ = false;
    int layoutHolds_ = 0;
    int pixelsPerInch_ = USER_DEFAULT_SCREEN_DPI;
    int scalePercent_ = 100;  // of the design values, as laid out now
    bool placing_ = false;    // inside a SetWindowPos of our own
    // The client size last given by the user or the program, and the percentage it was given at:
    // every density's client size is stepped from it, so moves between monitors never change it.
    struct { int width = 0, height = 0, percent = 100; } clientReference_;
    int wheelAccumulator_ = 0;
    HWND lastFocus_ = nullptr;
};

// Destroys a form's window with its destroy event while the whole object still exists, then the object.
struct FormDeleter {
    void operator()(Form* form) const noexcept {
        form->destroyWindow();
        delete form;
    }
};
template <class F>
using FormPtr = std::unique_ptr<F, FormDeleter>;

template <class F, class... Args>
FormPtr<F> makeForm(Args&&... args) {
    return FormPtr<F>(new F(std::forward<Args>(args)...));
}

}  // namespace forms
