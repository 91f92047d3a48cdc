#pragma once

// The submenus an action menu shares with every tab: the running applications
// under "App Launch" and the modifier clicks under "Mod Clicks", with which
// label names the current choice.

#include "model/Application.h"
#include "model/BindAction.h"

#include <string>
#include <string_view>
#include <vector>

namespace corv::ui {

// `label` is the stored name the choice passes on; `shown` its title.
struct SubEntry {
    std::string label;
    bool accent = false;
    std::string shown;
};

// Running applications, by name ignoring case.
std::vector<Application> launchApps();
bool appEntryAccent(const BindAction& b, const Application& app);

// The modifier labels by mask, ascending, shown in words; the click names by number.
std::vector<SubEntry> modifierSubmenus(const BindAction& b);
std::vector<SubEntry> clickEntries(const BindAction& b, std::string_view modifierLabel);

} // namespace corv::ui
