#include "ui/ActionSubmenus.h"

#include "model/ActionTable.h"
#include "model/ApplicationSets.h"
#include "model/ClickIds.h"
#include "model/KeyWords.h"
#include "model/ModifierLabels.h"

#include <algorithm>
#include <cctype>

namespace corv::ui {

namespace {

bool chosen(const BindAction& b, std::int64_t act) { return !b.isHotkey && b.actionSel == act; }

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

} // namespace

std::vector<Application> launchApps() {
    const ApplicationSet& running = ApplicationSets::shared().runningApps;
    std::vector<Application> apps(running.begin(), running.end());
    std::stable_sort(apps.begin(), apps.end(),
                     [](const Application& a, const Application& b) { return lower(a.name) < lower(b.name); });
    return apps;
}

bool appEntryAccent(const BindAction& b, const Application& app) {
    return chosen(b, ActionId::AppLaunch) && b.appName == app.name;
}

std::vector<SubEntry> modifierSubmenus(const BindAction& b) {
    std::vector<ModifierLabel> rows(modifierLabelRows().begin(), modifierLabelRows().end());
    std::stable_sort(rows.begin(), rows.end(), [](const ModifierLabel& x, const ModifierLabel& y) { return x.flags < y.flags; });
    std::vector<SubEntry> out;
    for (const ModifierLabel& r : rows)
        out.push_back({std::string(r.label), chosen(b, ActionId::ModClicks) && b.hotkeyMod == r.flags,
                       shownModifierLabel(r.label)});
    return out;
}

std::vector<SubEntry> clickEntries(const BindAction& b, std::string_view modifierLabel) {
    const bool modChosen =
        chosen(b, ActionId::ModClicks) && modifierLabelFlag(modifierLabel) == std::optional<std::uint64_t>(b.hotkeyMod);
    std::vector<SubEntry> out;
    for (std::int64_t id = ClickId::NoClick; id <= ClickId::Middle; ++id) {
        const auto name = clickNameFor(id);
        if (!name) continue;
        out.push_back({std::string(*name), modChosen && b.hotkeyKey == id, std::string(*name)});
    }
    return out;
}

} // namespace corv::ui
