// Scales a window to the screen's pixel density in four steps and keeps it on its monitor's work area.
#pragma once

#include "forms/form.h"

namespace ocellus {

// Returns the factor applied: 1.0, 1.25, 1.5 or 2.0.
double StandardizeFormFont(forms::Form* form, bool scaleWithAnchors);

}  // namespace ocellus
