#include "mylib/ustandardizefonts.h"

#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/exception.h"
#include "forms/application.h"
#include "win32/errortext.h"
#include "win32/monitor.h"
#include "win32/rect.h"
#include "win32/seams.h"
#include "mylib/ustandardizefonts_rules.h"

namespace ocellus {
namespace {

using TAnchorsArray = std::vector<forms::Anchors>;

void debugOut(const std::wstring& text) { win32::seams().outputDebugString(text.c_str()); }

void breakIfDebugged() {
    if (win32::seams().isDebuggerPresent()) win32::seams().debugBreak();
}

std::wstring sourceName() {
    const char* path = __FILE__;
    const char* base = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/' || *p == '\\') base = p + 1;
    return std::wstring(base, base + std::strlen(base));
}


BOOL CALLBACK matchMonitor(HMONITOR monitor, HDC, LPRECT rect, LPARAM data) {
    auto* search = reinterpret_cast<std::pair<HMONITOR, RECT>*>(data);
    if (monitor != search->first) return TRUE;
    search->second = *rect;
    return FALSE;
}

// The monitor's full rectangle after GetMonitorInfoW failed for it (asking again would fail
// again): the display enumeration reports it. A monitor gone meanwhile leaves the primary display.
RECT enumeratedMonitorRect(HMONITOR monitor) {
    std::pair<HMONITOR, RECT> search{monitor, win32::primaryDisplayRect()};
    ::EnumDisplayMonitors(nullptr, nullptr, matchMonitor, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// The density of the form's own monitor, which moves with it, not the main monitor's.
int FormPixelsPerInch(forms::Form* form) { return form->pixelsPerInch(); }

int scalePercentForDpi(int pixelsPerInch) { return scalePercent(ScaleFactorForDpi(pixelsPerInch)); }

void FreezeAnchors(forms::Control& container, TAnchorsArray& anchors, std::size_t& counter) {
    const auto& children = container.children();
    if (anchors.size() < counter + children.size() + 1) anchors.resize(counter + children.size() + 1);
    for (forms::Control* child : children) {
        anchors[counter] = child->anchors();
        if (child->anchors() != (forms::akLeft | forms::akTop)) child->setAnchors(forms::akLeft | forms::akTop);
        ++counter;
    }
    for (forms::Control* child : children) FreezeAnchors(*child, anchors, counter);
}

void RestoreAnchors(forms::Control& container, const TAnchorsArray& anchors, std::size_t& counter) {
    const auto& children = container.children();
    for (forms::Control* child : children) {
        if (counter < anchors.size()) child->setAnchors(anchors[counter]);
        ++counter;
    }
    for (forms::Control* child : children) RestoreAnchors(*child, anchors, counter);
}

// Holds every control's anchors at top-left for a scope and puts them back on every path.
class AnchorFreeze {
public:
    explicit AnchorFreeze(forms::Control& root) : root_(root) {
        std::size_t counter = 0;
        FreezeAnchors(root_, anchors_, counter);
    }
    ~AnchorFreeze() {
        std::size_t counter = 0;
        RestoreAnchors(root_, anchors_, counter);
    }
    AnchorFreeze(const AnchorFreeze&) = delete;
    AnchorFreeze& operator=(const AnchorFreeze&) = delete;

private:
    forms::Control& root_;
    TAnchorsArray anchors_;
};

void ScaleFormTo(forms::Form& form, int percent, bool scaleWithAnchors) {
    const RECT before = form.boundsRect();
    {
        std::optional<AnchorFreeze> frozen;
        if (!scaleWithAnchors) frozen.emplace(form);
        form.scaleTo(percent);
    }
    const RECT after = form.boundsRect();
    IntRect area{};
    const IntRect* areaPtr = nullptr;
    if (HMONITOR monitor = form.monitor()) {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (::GetMonitorInfoW(monitor, &info)) {
            area = win32::toIntRect(info.rcWork);
        } else {
            debugOut(win32::systemErrorText(::GetLastError()));
            // The monitor's full rectangle stands in for its work area.
            area = win32::toIntRect(enumeratedMonitorRect(monitor));
        }
        areaPtr = &area;
    }
    const FormPlacement p = placeScaledForm(win32::toIntRect(before), win32::toIntRect(after),
                                            form.position == forms::Position::ScreenCenter, areaPtr);
    form.setBounds(p.x, p.y, p.width, p.height);
}

}  // namespace

double StandardizeFormFont(forms::Form* form, bool scaleWithAnchors) {
    if (!form)
        throw EAssertionFailed(L"Assertion failure (" + sourceName() + L", line " +
                                      std::to_wstring(__LINE__) + L")");
    if (form->scaled) debugOut(scaledWarning(form->name));
    if (form->autoScroll && form->windowState() == forms::WindowState::Normal) {
        debugOut(autoScrollWarning(form->name));
        breakIfDebugged();
    }
    if (!form->showHint) {
        form->showHint = true;
        debugOut(showHintNote(form->name));
        breakIfDebugged();
    }
    const double factor = ScaleFactorForDpi(FormPixelsPerInch(form));
    form->densityScale = scalePercentForDpi;  // and by the same steps on every monitor it moves to
    ScaleFormTo(*form, scalePercent(factor), scaleWithAnchors);
    return factor;
}

}  // namespace ocellus
