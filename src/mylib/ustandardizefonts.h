// Scales a window to the screen's pixel density in four steps and keeps it on its monitor's work area.
#pragma once

#include "forms/controls.h"

namespace ocellus {

// Returns the factor applied: 1.0, 1.25, 1.5 or 2.0.
double StandardizeFormFont(forms::Form* form, bool scaleWithAnchors);

}  // namespace ocellus

namespace ocellus {

// The steps, exposed for tests.
int FormPixelsPerInch(forms::Form* form);
void ScaleFormToRatio(forms::Form& form, int m, int d, bool scaleWithAnchors);

}  // namespace ocellus
