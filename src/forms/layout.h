// Layout: how controls follow their parent's size (anchors, docking) and their design's scale.
#pragma once

#include <cstdint>

namespace forms {

class Control;
class Form;

// The parent's edges a control keeps its distance to when the parent changes size.
using Anchors = std::uint8_t;
inline constexpr Anchors akLeft = 1, akTop = 2, akRight = 4, akBottom = 8;

// A docked control fills its parent's width along the bottom edge, whatever its anchors.
enum class Dock : std::uint8_t { None, Bottom };

// What an anchored control keeps, taken whenever its bounds or anchors are set.
struct AnchorDistances {
    int right = 0, bottom = 0;
};

// What a control is laid out from at any density: its bounds and font height at 96 pixels per inch,
// as made from its row (for a form: its client size and font height).
struct DesignValues {
    int left = 0, top = 0, width = 0, height = 0;
    int fontHeight = 0;
};

// Takes the control's distances to its parent's right and bottom edges from where it is now.
void recordAnchorDistances(Control& c);
// Moves the parent's children along its client size; nothing moves while the form's layout is held.
void realign(Control& parent);
// Lays the control and all its children out at percent of their design values, with new fonts and
// the anchor distances they have in a parent whose client area is parentWidth x parentHeight. Never
// from the current values, which earlier scalings have rounded: so no sequence of densities drifts.
void layoutFromDesign(Control& c, int percent, int parentWidth, int parentHeight);

// While it lives, the form's size changes move no control and raise no resize event: used where the
// framework places every control itself (creation, a new scale or density).
class LayoutHold {
public:
    explicit LayoutHold(Form& form);
    ~LayoutHold();
    LayoutHold(const LayoutHold&) = delete;
    LayoutHold& operator=(const LayoutHold&) = delete;

private:
    Form& form_;
};

}  // namespace forms
