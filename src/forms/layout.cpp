#include "forms/layout.h"

#include <windows.h>

#include <algorithm>

#include "forms/form.h"

namespace forms {
namespace {

// After a scaling, anchored controls keep the distances the scaled layout has.
void recordScaledLayout(Control& parent) {
    for (Control* child : parent.children()) {
        recordAnchorDistances(*child);
        child->adjustSize();
        recordScaledLayout(*child);
    }
}

}  // namespace

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

// The control's bounds and font height at m/d of the given values, applied to its window with a new
// font (the old one goes).
void placeScaled(Control& c, const DesignValues& v, int m, int d) {
    c.left_ = ::MulDiv(v.left, m, d);
    c.top_ = ::MulDiv(v.top, m, d);
    c.width_ = ::MulDiv(v.width, m, d);
    c.height_ = ::MulDiv(v.height, m, d);
    c.applyBounds();
    c.font_.height = ::MulDiv(v.fontHeight, m, d);
    c.font_.changed();
    if (c.hwnd_) ::SendMessageW(c.hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(c.font_.handle()), TRUE);
}

void scaleControl(Control& c, int m, int d) {
    placeScaled(c, {c.left_, c.top_, c.width_, c.height_, c.font_.height}, m, d);
    for (Control* child : c.children_) scaleControl(*child, m, d);
}

void layoutFromDesign(Control& c, int percent, int parentWidth, int parentHeight) {
    placeScaled(c, c.design_, percent, 100);
    c.adjustSize();
    c.distances_.right = parentWidth - (c.left_ + c.width_);
    c.distances_.bottom = parentHeight - (c.top_ + c.height_);
    for (Control* child : c.children_) layoutFromDesign(*child, percent, c.clientWidth(), c.clientHeight());
}

LayoutHold::LayoutHold(Form& form) : form_(form) { ++form_.layoutHolds_; }
LayoutHold::~LayoutHold() { --form_.layoutHolds_; }

void Form::scaleBy(int m, int d) {
    if (d == 0 || m == d) return;
    const int cw = clientWidth(), ch = clientHeight();
    {
        const LayoutHold hold(*this);
        font_.height = ::MulDiv(font_.height, m, d);
        font_.changed();
        for (Control* child : children()) scaleControl(*child, m, d);
        setClientSize(::MulDiv(cw, m, d), ::MulDiv(ch, m, d));
        scalePercent_ = ::MulDiv(scalePercent_, m, d);
    }
    recordScaledLayout(*this);
    realign(*this);
    takeClientReference();
    fireResize();
}

}  // namespace forms
