#pragma once

// The content of a gesture row's action menu: its entries with separators,
// the running applications under "App Launch", the modifier clicks under
// "Mod Clicks", and which label names the current choice (drawn in the
// accent colour; the menu has no check marks).

#include "model/Application.h"
#include "model/BindAction.h"
#include "model/Gesture.h"

#include <cstdint>
#include <string>
#include <string_view>
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

struct SubEntry {
    std::string label;
    bool accent = false;
};

// Running applications, by name ignoring case.
std::vector<Application> launchApps();
bool appEntryAccent(const BindAction& b, const Application& app);

// The modifier labels by mask, ascending; the click names by number.
std::vector<SubEntry> modifierSubmenus(const BindAction& b);
std::vector<SubEntry> clickEntries(const BindAction& b, std::string_view modifierLabel);

} // namespace corv::ui::trackpad
