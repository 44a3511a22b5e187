// The controls: panels, images, labels, the button family and bevels.
#pragma once

#include <windows.h>

#include <cstdint>

#include "win32/graphics.h"
#include "forms/window.h"

namespace forms {

// A container with an optional raised bevel; also serves as a colour swatch.
class Panel : public Control {
public:
    Panel(Component* owner, Control* parent) : Control(owner, parent) {}
    bool raisedBevel = true;
    void setColor(win32::Color c) {
        if (color != c) {
            color = c;
            invalidate();
        }
    }
    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

protected:
    WindowClass windowClass() const override;

private:
    void paint(HDC dc);
};

// Holds a bitmap of its own and draws it unscaled at its top-left corner.
class Image : public Control {
public:
    Image(Component* owner, Control* parent);
    win32::Bitmap& picture() noexcept { return picture_; }
    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

protected:
    WindowClass windowClass() const override;

private:
    win32::Bitmap picture_;
};

enum class TextAlign : std::uint8_t { Left, Right, Center };

// A static text. A click is a press and a release over the label; a double-click's second press
// raises onDblClick, not another click.
class Label : public Control {
public:
    Label(Component* owner, Control* parent) : Control(owner, parent) {}
    bool autoSize = true;
    TextAlign alignment = TextAlign::Left;
    Notify onDblClick;
    void setCaption(std::wstring_view text) override;
    void adjustSize() override;
    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

protected:
    WindowClass windowClass() const override;

private:
    RECT fitted();
    bool pressed_ = false;
};

// The controls of the system's BUTTON class: they report clicks as BN_CLICKED.
class ButtonBase : public Control {
public:
    ButtonBase(Component* owner, Control* parent) : Control(owner, parent) { tabStop = true; }
    void handleNotification(WORD code) override {
        if (code == BN_CLICKED) click();
    }
};

class CheckBox : public ButtonBase {
public:
    using ButtonBase::ButtonBase;
    // Kept here rather than asked of the control: the capture reads it at every tick, and a message to
    // a subclassed control costs window-property look-ups.
    bool checked() const { return checked_; }
    // Changing the state by code raises the click event, as a user click does.
    void setChecked(bool value);
    void handleNotification(WORD code) override;
    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

protected:
    WindowClass windowClass() const override;

private:
    bool checked_ = false;
};

class RadioButton : public ButtonBase {
public:
    using ButtonBase::ButtonBase;
    bool checked() const;
    // Checking unchecks the siblings and raises the click event when the state changes.
    void setChecked(bool value);
    void handleNotification(WORD code) override;
    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

protected:
    WindowClass windowClass() const override;

private:
    RadioButton* neighbour(bool forward) const;
};

// A captioned frame around a group of controls.
class GroupBox : public Control {
public:
    GroupBox(Component* owner, Control* parent) : Control(owner, parent) {}

protected:
    WindowClass windowClass() const override;
};

class PushButton : public ButtonBase {
public:
    using ButtonBase::ButtonBase;
    int modalResult = 0;
    bool isDefault = false;
    bool isCancel = false;
    void click() override;

protected:
    WindowClass windowClass() const override;
};

// A lowered line along the top edge: a rule across a dialog.
class Bevel : public Control {
public:
    Bevel(Component* owner, Control* parent) : Control(owner, parent) {}
    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

protected:
    WindowClass windowClass() const override;
};

}  // namespace forms
