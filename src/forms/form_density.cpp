// A form laid out at a percentage of its design values. The font standardisation's one fixed step
// (scaleTo) and each density a move between monitors brings (WM_DPICHANGED) take the same path, from
// the 96-dpi design and never from the current values, so no sequence of either drifts.
#include <windows.h>

#include "forms/form.h"
#include "win32/density.h"

namespace forms {

int Form::framePixelsPerInch() const {
    // The system draws the frame at the density of the window's monitor. Before the window exists, an
    // owned form's is its owner's: it is made on its owner's monitor.
    const auto* ownerForm = dynamic_cast<const Form*>(owner());
    return win32::windowPixelsPerInch(!hwnd_ && ownerForm ? ownerForm->hwnd_ : hwnd_);
}

void Form::takeClientReference() {
    if (::IsIconic(hwnd_)) return;  // no client area: the restored one is the reference
    clientReference_ = {clientWidth(), clientHeight(), scalePercent_};
}

// Under the caller's layout hold: the font and every control at percent of the design.
void Form::layOutAt(int percent) {
    scalePercent_ = percent;
    font_.height = ::MulDiv(design_.fontHeight, percent, 100);
    font_.changed();
    const int designWidth = ::MulDiv(design_.width, percent, 100);
    const int designHeight = ::MulDiv(design_.height, percent, 100);
    for (Control* child : children()) layoutFromDesign(*child, percent, designWidth, designHeight);
}

void Form::scaleTo(int percent) {
    if (percent <= 0 || percent == scalePercent_) return;
    const int width = ::MulDiv(clientWidth(), percent, scalePercent_);
    const int height = ::MulDiv(clientHeight(), percent, scalePercent_);
    {
        const LayoutHold hold(*this);
        layOutAt(percent);
        setClientSize(width, height);
    }
    realign(*this);
    takeClientReference();
    fireResize();
}

SIZE Form::scaledWindowSize(int pixelsPerInch) const {
    const int percent = densityScale(pixelsPerInch);
    const auto& r = clientReference_;
    const RECT rc = win32::windowRectForClient(::MulDiv(r.width, percent, r.percent),
                                               ::MulDiv(r.height, percent, r.percent), style_, exStyle_,
                                               pixelsPerInch);
    return {rc.right - rc.left, rc.bottom - rc.top};
}

void Form::changeDensity(int pixelsPerInch, const RECT* suggested) {
    const int percent = densityScale(pixelsPerInch);
    const bool nested = layoutHeld();
    {
        const LayoutHold hold(*this);
        pixelsPerInch_ = pixelsPerInch;
        layOutAt(percent);
        // Exactly the system's rectangle: any other moves the window away from the pointer that drags
        // it, or back onto the monitor it came from. A placement of our own keeps its own rectangle.
        if (suggested && !placing_)
            ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                           suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (nested) return;  // the layout under way realigns and raises the resize
    // The reference stays while the client is the size stepped from it: taken again at every move,
    // it would be rounded again at every move.
    const auto& r = clientReference_;
    if (clientWidth() != ::MulDiv(r.width, percent, r.percent) ||
        clientHeight() != ::MulDiv(r.height, percent, r.percent))
        takeClientReference();
    realign(*this);
    fireResize();
}

}  // namespace forms
