// Arithmetic and diagnostics of proportional form scaling for the screen's DPI.
#pragma once

#include <string>
#include <string_view>

#include "base/rect.h"

namespace ocellus {

// Step factor for a screen resolution: 1.0, 1.25, 1.5 or 2.0.
double ScaleFactorForDpi(int pixelsPerInch);

struct FormPlacement {
    int x, y, width, height;
};

// Where a form goes after proportional scaling. before/after are its bounds before and
// after the scaling; centred keeps its centre in place; workArea is its monitor's work
// area, or nullptr when it has none (then it is only kept off negative coordinates).
FormPlacement placeScaledForm(IntRect before, IntRect after, bool centred, const IntRect* workArea);

std::wstring scaledWarning(std::wstring_view formName);
std::wstring autoScrollWarning(std::wstring_view formName);
std::wstring showHintNote(std::wstring_view formName);

// The factor as a whole percentage (125 for 1.25).
int scalePercent(double factor);

}  // namespace ocellus
