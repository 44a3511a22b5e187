#include "mylib/ustandardizefonts_rules.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "base/arithmetic.h"

namespace ocellus {

namespace {

std::wstring quoted(std::wstring_view before, std::wstring_view name, std::wstring_view after) {
    std::wstring text;
    text.reserve(before.size() + name.size() + after.size() + 2);
    text.append(before).append(1, L'"').append(name).append(1, L'"').append(after);
    return text;
}

}  // namespace

double ScaleFactorForDpi(int pixelsPerInch) {
    if (pixelsPerInch <= 110) return 1.0;
    if (pixelsPerInch <= 134) return 1.25;
    if (pixelsPerInch <= 170) return 1.5;
    return 2.0;
}

FormPlacement placeScaledForm(IntRect before, IntRect after, bool centred, const IntRect* workArea) {
    // 64-bit throughout: extreme rectangles must not overflow, the result is saturated.
    const int w = after.width();
    const int h = after.height();
    std::int64_t x = after.left;
    std::int64_t y = after.top;
    if (centred) {
        x -= (std::int64_t{w} - before.width()) / 2;
        y -= (std::int64_t{h} - before.height()) / 2;
    }
    if (workArea) {
        // The edge tests use the rectangle as scaled, not as moved by the centring.
        if (after.right > workArea->right) x = std::int64_t{workArea->right} - w;
        if (after.bottom > workArea->bottom) y = std::int64_t{workArea->bottom} - h;
        x = std::max<std::int64_t>(x, workArea->left);
        y = std::max<std::int64_t>(y, workArea->top);
    } else {
        x = std::max<std::int64_t>(x, 0);
        y = std::max<std::int64_t>(y, 0);
    }
    return {saturate(x), saturate(y), w, h};
}

std::wstring scaledWarning(std::wstring_view formName) {
    return quoted(L"WARNING: StandardizeFormFont: Form ", formName,
                  L" is set to Scaled. Proper form scaling requires VCL scaling to be disabled, unless you "
                  L"implement scaling by overriding the protected ChangeScale() method of the form.");
}

std::wstring autoScrollWarning(std::wstring_view formName) {
    return quoted(L"WARNING: StandardizeFormFont: Form ", formName,
                  L" is set to AutoScroll. Form designed size will be suseptable to changes in Windows form "
                  L"caption height (e.g. 2000 vs XP).");
}

std::wstring showHintNote(std::wstring_view formName) {
    return quoted(L"INFORMATION: StandardizeFormFont: Turning on form ", formName, L" hints. (ShowHint := True)");
}

int scalePercent(double factor) {
    const double percent = std::round(factor * 100.0);
    if (std::isnan(percent)) return 0;
    if (percent >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (percent <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(percent);
}

}  // namespace ocellus
