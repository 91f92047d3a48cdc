#include "ui/tabs/keyboard/KeyUrlEdits.h"

#include "model/ActionTable.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "recorders/BindingPaths.h"
#include "recorders/FollowingApps.h"
#include "ui/FlattenText.h"

namespace corv::ui::keyboard {

namespace {

std::string BindAction::*member(UrlField f) { return f == UrlField::Name ? &BindAction::hotkeyName : &BindAction::appName; }

} // namespace

std::string rowId(const KeySlotRef& s) {
    if (s.logi) return "quirk_" + std::to_string(s.cid) + "_0";
    return "key_" + std::to_string(s.key) + "_" + std::to_string(s.mod);
}

std::string fieldTag(const KeySlotRef& s, UrlField f) { return rowId(s) + (f == UrlField::Name ? "_name" : "_url"); }

std::string urlFieldText(const KeySlotRef& s, UrlField f) {
    const std::optional<BindAction> b = readSlot(s);
    return b ? (*b).*member(f) : std::string();
}

void writeUrlField(const KeySlotRef& s, UrlField f, const std::string& text) {
    editSlot(s, [&](BindAction& b) { b.*member(f) = text; });
}

void pasteUrlField(const KeySlotRef& s, UrlField f, const std::optional<std::string>& clipboard) {
    if (clipboard) writeUrlField(s, f, flattenToSingleLine(*clipboard));
}

void pickShortcut(const KeySlotRef& s, const std::string& name) { writeUrlField(s, UrlField::Target, name); }

void commitUrlField(const KeySlotRef& s, UrlField f, const std::string& lastText) {
    platform::runLoop().post([s, f, lastText] {
        const std::optional<BindAction> b = readSlot(s);
        if (!b || b->isHotkey || b->actionSel != ActionId::Url) return;
        writeUrlField(s, f, flattenToSingleLine(lastText));
    });
}

void scheduleUrlCarryOver(const KeySlotRef& s, const std::optional<BindAction>& remembered) {
    if (!s.globalProfile()) return;
    const std::uint64_t key = s.key, mod = s.mod;
    platform::runLoop().post([key, mod, remembered] {
        platform::runLoop().post([key, mod, remembered] { carryOverUrlEdit(key, mod, remembered); });
    });
}

void carryOverUrlEdit(std::uint64_t key, std::uint64_t mod, const std::optional<BindAction>& remembered) {
    const AnApp* global = recorders::appEntry("");
    const std::optional<BindAction> now = global ? recorders::keyBindingAt(*global, key, mod) : std::nullopt;
    if (!now || !remembered) return;
    for (const std::string& id : recorders::unlockedKeyApps(Apps::shared().a.get()))
        recorders::editEntry(id, [&](AnApp& e) {
            BindAction* cur = recorders::keySlot(e, key, mod);
            if (!cur || !(*cur == *remembered)) return false;
            *cur = *now;
            return true;
        });
}

} // namespace corv::ui::keyboard
