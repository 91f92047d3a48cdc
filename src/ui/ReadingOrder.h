#pragma once

// Tab and Backtab in reading order: the controls under a root that take the
// focus from Tab, walked through the layouts (each box's items in their
// order, so rows top to bottom and each row left to right), then the
// children outside layouts. Hidden, disabled and other windows' controls are
// left out; a scroll area is passed through, not stopped at.

#include <vector>

class QWidget;

namespace corv::ui {

std::vector<QWidget*> tabStops(QWidget* root);

// Moves the focus to the stop after (or before) the focused one, round the
// ends, and scrolls it into view; false when there is no stop.
bool focusNextStop(QWidget* root, bool forward);

} // namespace corv::ui
