#include "ui/tabs/trackpad/UrlEditorRules.h"

#include "engine/LaunchTarget.h"
#include "model/ActionTable.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "recorders/FollowingApps.h"
#include "ui/FlattenText.h"

namespace corv::ui::trackpad {

namespace {

std::string BindAction::*member(UrlField f) { return f == UrlField::Name ? &BindAction::hotkeyName : &BindAction::appName; }

} // namespace

std::string cleanFieldText(const std::string& text) { return flattenToSingleLine(text); }

const char* fieldSuffix(UrlField f) { return f == UrlField::Name ? "_name" : "_url"; }

void writeUrlField(const RowRef& row, UrlField f, const std::string& text) {
    editBinding(row, [&](BindAction& b) { b.*member(f) = text; });
}

void pasteUrlField(const RowRef& row, UrlField f, const std::optional<std::string>& clipboard) {
    if (clipboard) writeUrlField(row, f, flattenToSingleLine(*clipboard));
}

void chooseShortcut(const RowRef& row, const std::string& name) { writeUrlField(row, UrlField::Target, name); }

void commitUrlField(const RowRef& row, UrlField f, const std::string& lastText) {
    platform::runLoop().post([row, f, lastText] {
        // The slot must still be there: a write never makes it again.
        const AnApp* entry = recorders::appEntry(row.appid);
        const std::optional<BindAction> b = entry ? recorders::gesBindingAt(*entry, row.path) : std::nullopt;
        if (!b || b->isHotkey || b->actionSel != ActionId::Url) return;
        writeUrlField(row, f, flattenToSingleLine(lastText));
    });
}

std::optional<BindAction> rememberUrlBinding(const RowRef& row) { return readBinding(row); }

void scheduleUrlCarryOver(const RowRef& row, const std::optional<BindAction>& remembered) {
    if (!row.own || !row.appid.empty()) return;
    const recorders::GesPath path = row.path;
    platform::runLoop().post([path, remembered] {
        platform::runLoop().post([path, remembered] { carryOverUrlEdit(path, remembered); });
    });
}

void carryOverUrlEdit(const recorders::GesPath& path, const std::optional<BindAction>& remembered) {
    const AnApp* global = recorders::appEntry("");
    const std::optional<BindAction> g = global ? recorders::gesBindingAt(*global, path) : std::nullopt;
    if (!g || !remembered) return;
    carryOver(path, *remembered, [&](BindAction& slot) {
        const bool enabled = slot.enabled;
        slot = *g;
        slot.enabled = enabled;
    });
}

int targetKind(const std::string& text) { return static_cast<int>(engine::classifyLaunchTarget(text)); }

} // namespace corv::ui::trackpad
