#include "forms/layout.h"

#include <windows.h>

#include <algorithm>

#include "forms/form.h"

namespace forms {

void recordAnchorDistances(Control& c) {
    if (!c.parent_) return;
    c.distances_.right = c.parent_->clientWidth() - (c.left_ + c.width_);
    c.distances_.bottom = c.parent_->clientHeight() - (c.top_ + c.height_);
}

void realign(Control& parent) {
    if (Form* f = parent.form(); f && f->layoutHeld()) return;
    const int cw = parent.clientWidth(), ch = parent.clientHeight();
    for (Control* c : parent.children_) {
        int l = c->left_, t = c->top_, w = c->width_, h = c->height_;
        if (c->dock == Dock::Bottom) {
            l = 0;
            w = cw;
            t = ch - h;
        } else {
            const Anchors a = c->anchors_;
            if (a & akRight) {
                if (a & akLeft) w = cw - c->distances_.right - l;
                else l = cw - c->distances_.right - w;
            }
            if (a & akBottom) {
                if (a & akTop) h = ch - c->distances_.bottom - t;
                else t = ch - c->distances_.bottom - h;
            }
        }
        if (l == c->left_ && t == c->top_ && w == c->width_ && h == c->height_) continue;
        c->left_ = l;
        c->top_ = t;
        c->width_ = std::max(0, w);
        c->height_ = std::max(0, h);
        if (c->dock == Dock::Bottom) recordAnchorDistances(*c);
        c->applyBounds();
    }
}

void layoutFromDesign(Control& c, int percent, int parentWidth, int parentHeight) {
    const DesignValues& v = c.design_;
    c.left_ = ::MulDiv(v.left, percent, 100);
    c.top_ = ::MulDiv(v.top, percent, 100);
    c.width_ = ::MulDiv(v.width, percent, 100);
    c.height_ = ::MulDiv(v.height, percent, 100);
    c.applyBounds();
    c.font_.height = ::MulDiv(v.fontHeight, percent, 100);
    c.font_.changed();  // the old font goes
    if (c.hwnd_) ::SendMessageW(c.hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(c.font_.handle()), TRUE);
    c.adjustSize();
    c.distances_.right = parentWidth - (c.left_ + c.width_);
    c.distances_.bottom = parentHeight - (c.top_ + c.height_);
    for (Control* child : c.children_) layoutFromDesign(*child, percent, c.clientWidth(), c.clientHeight());
}

LayoutHold::LayoutHold(Form& form) : form_(form) { ++form_.layoutHolds_; }
LayoutHold::~LayoutHold() { --form_.layoutHolds_; }

}  // namespace forms
