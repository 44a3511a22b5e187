// A form's pixel density: laid out afresh for each monitor it moves to, sized as its layout steps.
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

SIZE Form::scaledWindowSize(int pixelsPerInch) const {
    const int percent = densityScale(pixelsPerInch);
    const ClientReference& r = clientReference_;
    const int from = r.percent > 0 ? r.percent : percent;
    const RECT rc = win32::windowRectForClient(::MulDiv(r.width, percent, from), ::MulDiv(r.height, percent, from),
                                               style_, exStyle_, pixelsPerInch);
    return {rc.right - rc.left, rc.bottom - rc.top};
}

void Form::changeDensity(int pixelsPerInch, const RECT* suggested) {
    const int percent = densityScale(pixelsPerInch);
    const bool nested = layoutHeld();
    {
        const LayoutHold hold(*this);
        pixelsPerInch_ = pixelsPerInch;
        scalePercent_ = percent;
        font_.height = ::MulDiv(design_.fontHeight, percent, 100);
        font_.changed();
        const int designWidth = ::MulDiv(design_.width, percent, 100);
        const int designHeight = ::MulDiv(design_.height, percent, 100);
        for (Control* child : children()) layoutFromDesign(*child, percent, designWidth, designHeight);
        // Exactly the system's rectangle: any other moves the window away from the pointer that drags
        // it, or back onto the monitor it came from. A placement of our own keeps its own rectangle.
        if (suggested && !placing_)
            ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                           suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (nested) return;  // the layout under way realigns and raises the resize
    // The reference stays while the client is the size stepped from it: taken again at every move,
    // it would be rounded again at every move.
    const ClientReference& r = clientReference_;
    if (r.percent <= 0 || clientWidth() != ::MulDiv(r.width, percent, r.percent) ||
        clientHeight() != ::MulDiv(r.height, percent, r.percent))
        takeClientReference();
    realign(*this);
    fireResize();
}

}  // namespace forms
