#pragma once

// The drop-down menu of a gesture row, filled from the action-menu rules each
// time it opens. The current choice is drawn in the accent colour.

#include "ui/AccentMenu.h"
#include "ui/tabs/trackpad/RowEdits.h"

namespace corv::ui::trackpad {

// Fills `menu` for the row as its binding stands now.
void fillActionMenu(AccentMenu& menu, const RowRef& row);

} // namespace corv::ui::trackpad
