#include "ui/tabs/keyboard/ActionChoices.h"

#include "engine/LaunchTarget.h"
#include "model/ActionMenus.h"
#include "model/ActionTable.h"
#include "model/ClickIds.h"
#include "model/ExtraKeys.h"
#include "model/KeyWords.h"
#include "model/ModifierLabels.h"
#include "recorders/BindingDisplayText.h"
#include "recorders/KeyBind.h"

namespace corv::ui::keyboard {

namespace {

bool chosen(const std::optional<BindAction>& s, std::int64_t act) {
    return s && !s->isHotkey && s->actionSel == act;
}

ActionFlags flagsOf(std::int64_t act) { return defaultFlagsFor(act).value_or(ActionFlags{}); }

// The choice's writes, then for the global profile its carry-over.
void choose(const KeySlotRef& s, const std::vector<std::function<void(BindAction&)>>& steps) {
    const std::optional<BindAction> old = readSlot(s);
    if (!old) return;
    for (const auto& step : steps) editSlot(s, step);
    if (s.globalProfile()) carryGlobalSlot(s.key, s.mod, old);
}

void addFlags(std::vector<std::function<void(BindAction&)>>& steps, const ActionFlags& f) {
    steps.push_back([f](BindAction& b) { b.clickTh = f.clickTh; });
    steps.push_back([f](BindAction& b) { b.clickThEn = f.clickThEn; });
    steps.push_back([f](BindAction& b) { b.multiShot = f.multiShot; });
}

} // namespace

std::vector<ActionEntry> actionEntries(bool logi, const std::optional<BindAction>& slot) {
    const ActionMenu& menu = logi ? logiKeyActionMenu() : keyActionMenu();
    std::vector<ActionEntry> out;
    for (std::size_t i = 0; i < menu.size(); ++i) {
        const MenuRow& row = menu[i];
        ActionEntry e;
        e.index = static_cast<std::int64_t>(i);
        if (row.name == "-") {
            out.push_back(e);
            continue;
        }
        e.act = row.act;
        e.name = row.name;
        e.hint = row.hint;
        if (row.act == ActionId::ModClicks) {
            e.kind = ActionEntry::Kind::ModClicks;
        } else if (row.act == ActionId::AppLaunch) {
            e.kind = ActionEntry::Kind::AppLaunch;
            if (logi) e.hint.clear();
        } else if (row.act == ActionId::ExtraKeys) {
            e.kind = ActionEntry::Kind::ExtraKeys;
            e.hint.clear();
        } else {
            e.kind = ActionEntry::Kind::Action;
        }
        if (e.kind == ActionEntry::Kind::ExtraKeys) {
            for (std::size_t k = 0; k < extraKeys().size() && !e.accent; ++k) e.accent = extraKeyIsBound(slot, k);
        } else {
            e.accent = chosen(slot, row.act);
        }
        out.push_back(std::move(e));
    }
    return out;
}

bool extraKeyIsBound(const std::optional<BindAction>& slot, std::size_t row) {
    if (!slot || row >= extraKeys().size()) return false;
    const ExtraKey& k = extraKeys()[row];
    return slot->hotkeyKey == k.code && slot->hotkeyMod == k.flags;
}

std::vector<ExtraKeyEntry> extraKeyEntries(const std::optional<BindAction>& slot) {
    std::vector<ExtraKeyEntry> out;
    for (std::size_t i = 0; i < extraKeys().size(); ++i) {
        const ExtraKey& k = extraKeys()[i];
        out.push_back({k.isSeparator(), std::string(shownKeyName(k.name)), !k.isSeparator() && extraKeyIsBound(slot, i)});
    }
    return out;
}

void chooseMenuAction(const KeySlotRef& s, std::int64_t act) {
    const std::optional<BindAction> now = readSlot(s);
    std::vector<std::function<void(BindAction&)>> steps;
    if (act == ActionId::Url && !chosen(now, ActionId::Url)) {
        steps.push_back([](BindAction& b) { b.appName.clear(); });
        steps.push_back([](BindAction& b) { b.hotkeyName.clear(); });
    }
    steps.push_back([](BindAction& b) { b.isHotkey = false; });
    steps.push_back([act](BindAction& b) { b.actionSel = act; });
    steps.push_back([](BindAction& b) { b.hotkeyKey = 0; });
    steps.push_back([](BindAction& b) { b.hotkeyMod = 0; });
    addFlags(steps, flagsOf(act));
    choose(s, steps);
}

void chooseModClick(const KeySlotRef& s, std::string_view modifierLabel, std::string_view clickName) {
    const std::uint64_t mask = modifierLabelFlag(modifierLabel).value_or(0);
    const auto click = static_cast<std::uint16_t>(clickId(clickName).value_or(0));
    const ActionFlags f = flagsOf(ActionId::ModClicks);
    choose(s, {[](BindAction& b) { b.isHotkey = false; },
               [](BindAction& b) { b.actionSel = ActionId::ModClicks; },
               [mask](BindAction& b) { b.hotkeyMod = mask; },
               [click](BindAction& b) { b.hotkeyKey = click; },
               [](BindAction& b) { b.clickTh = true; },
               [f](BindAction& b) { b.clickThEn = f.clickThEn; },
               [f](BindAction& b) { b.multiShot = f.multiShot; }});
}

void chooseLaunchApp(const KeySlotRef& s, const Application& app) {
    std::vector<std::function<void(BindAction&)>> steps{
        [name = app.name](BindAction& b) { b.appName = name; },
        [](BindAction& b) { b.isHotkey = false; },
        [](BindAction& b) { b.actionSel = ActionId::AppLaunch; },
        [](BindAction& b) { b.hotkeyKey = 0; },
        [](BindAction& b) { b.hotkeyMod = 0; }};
    addFlags(steps, flagsOf(ActionId::AppLaunch));
    choose(s, steps);
}

void chooseExtraKey(const KeySlotRef& s, std::size_t row) {
    if (row >= extraKeys().size() || extraKeys()[row].isSeparator()) return;
    const ExtraKey k = extraKeys()[row];
    std::vector<std::function<void(BindAction&)>> steps{
        [](BindAction& b) { b.isHotkey = true; },
        [](BindAction& b) { b.actionSel = ActionId::DoNothing; },
        [k](BindAction& b) { b.hotkeyKey = k.code; },
        [k](BindAction& b) { b.hotkeyMod = k.flags; }};
    addFlags(steps, flagsOf(ActionId::ExtraKeys));
    choose(s, steps);
}

bool captureUnderway() {
    const recorders::KeyBind& kb = recorders::KeyBind::shared();
    return !kb.modAllUp.get() || kb.keyDownCount.get() != 0;
}

std::string captureText() {
    const recorders::KeyBind& kb = recorders::KeyBind::shared();
    return recorders::keyComboText(kb.raw.get() >> 16, kb.key.get());
}

CellLabel actionCellLabel(const KeySlotRef& s, bool highlighted) {
    if (highlighted && captureUnderway()) return {captureText(), Tone::Primary};
    const std::optional<BindAction> b = readSlot(s);
    if (!b) return {"", highlighted ? Tone::Accent : Tone::Norm};
    const auto kind = static_cast<std::int64_t>(engine::classifyLaunchTarget(b->appName));
    return {recorders::keyBindingDisplayText(!s.logi, *b, kind), highlighted ? Tone::Accent : Tone::Norm};
}

} // namespace corv::ui::keyboard
