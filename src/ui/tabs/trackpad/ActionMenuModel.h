#pragma once

// The content of a gesture row's action menu: its entries with separators,
// and which label names the current choice (drawn in the accent colour; the
// menu has no check marks). The submenus come from ui/ActionSubmenus.h.

#include "model/BindAction.h"
#include "model/Gesture.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corv::ui::trackpad {

struct MenuEntry {
    enum class Kind { Separator, Action, AppLaunch, ModClicks } kind = Kind::Separator;
    std::int64_t act = -1;
    std::string name;  // localised title
    std::string hint;  // localised hint
    bool accent = false;
};

// The menu of the row's gesture kind: Tap, Click and 2nd Click rows get the
// click menu, all others the gesture menu.
std::vector<MenuEntry> actionMenuEntries(ActGes ges, const BindAction& b);

} // namespace corv::ui::trackpad
