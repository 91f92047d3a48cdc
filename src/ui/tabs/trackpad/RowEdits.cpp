#include "ui/tabs/trackpad/RowEdits.h"

#include "engine/LaunchTarget.h"
#include "model/ActionTable.h"
#include "model/ClickIds.h"
#include "model/ModifierLabels.h"
#include "recorders/BindingDisplayText.h"
#include "recorders/FollowingApps.h"
#include "recorders/GesBindingEdits.h"
#include "recorders/GestureRecorder.h"
#include "recorders/KeyBind.h"

#include <cstdio>

namespace corv::ui::trackpad {

using recorders::GesPath;

RowRef RowRef::of(const GestureRow& row) {
    return RowRef{row.appid, row.path, row.own, row.highlighted, row.delEn, row.binding};
}

BindAction readBinding(const RowRef& row) {
    if (!row.own) return row.constant;
    const AnApp* entry = recorders::appEntry(row.appid);
    std::optional<BindAction> b = entry ? recorders::gesBindingAt(*entry, row.path) : std::nullopt;
    return b ? *b : BindAction::makeDefault();
}

void writeBinding(const RowRef& row, const BindAction& value) {
    if (!row.own) return;
    recorders::editEntry(row.appid, [&](AnApp& e) {
        DirBindings* dirs = recorders::modifierLevel(e, row.path);
        if (!dirs) return false;
        (*dirs)[row.path.dir] = value;
        return true;
    });
}

void editBinding(const RowRef& row, const std::function<void(BindAction&)>& edit) {
    BindAction b = readBinding(row);
    edit(b);
    writeBinding(row, b);
}

void carryOver(const GesPath& path, const BindAction& reference, const std::function<void(BindAction&)>& apply) {
    for (const std::string& id : recorders::unlockedGesApps(Apps::shared().a.get())) {
        recorders::editEntry(id, [&](AnApp& e) {
            BindAction* slot = recorders::gesSlot(e, path);
            if (!slot || !(*slot == reference)) return false;
            apply(*slot);
            return true;
        });
    }
}

namespace {

// Every field its own write, in the order the menu writes them.
void writeAction(const RowRef& row, std::int64_t act) {
    const ActionFlags flags = defaultFlagsFor(act).value_or(ActionFlags{});
    editBinding(row, [](BindAction& b) { b.isHotkey = false; });
    editBinding(row, [act](BindAction& b) { b.actionSel = act; });
    editBinding(row, [](BindAction& b) { b.hotkeyKey = 0; });
    editBinding(row, [](BindAction& b) { b.hotkeyMod = 0; });
    editBinding(row, [&](BindAction& b) { b.clickTh = flags.clickTh; });
    editBinding(row, [&](BindAction& b) { b.clickThEn = flags.clickThEn; });
    editBinding(row, [&](BindAction& b) { b.multiShot = flags.multiShot; });
}

void followOnGlobal(const RowRef& row, const BindAction& reference) {
    if (!row.own || !row.appid.empty()) return;
    const BindAction now = readBinding(row);
    carryOver(row.path, reference, [&](BindAction& slot) { slot = now; });
}

} // namespace

void chooseMenuAction(const RowRef& row, std::int64_t act) {
    const BindAction before = readBinding(row);
    if (act == ActionId::Url && (before.isHotkey || before.actionSel != ActionId::Url)) {
        editBinding(row, [](BindAction& b) { b.appName.clear(); });
        editBinding(row, [](BindAction& b) { b.hotkeyName.clear(); });
    }
    writeAction(row, act);
    followOnGlobal(row, before);
}

void chooseLaunchApp(const RowRef& row, const Application& app) {
    const BindAction before = readBinding(row);
    editBinding(row, [&](BindAction& b) { b.appName = app.name; });
    writeAction(row, ActionId::AppLaunch);
    followOnGlobal(row, before);
}

void chooseModClick(const RowRef& row, std::string_view modifierLabel, std::string_view clickName) {
    const BindAction before = readBinding(row);
    const ActionFlags flags = defaultFlagsFor(ActionId::ModClicks).value_or(ActionFlags{});
    const std::uint64_t mask = modifierLabelFlag(modifierLabel).value_or(0);
    const auto click = static_cast<std::uint16_t>(clickId(clickName).value_or(0));
    editBinding(row, [](BindAction& b) { b.isHotkey = false; });
    editBinding(row, [](BindAction& b) { b.actionSel = ActionId::ModClicks; });
    editBinding(row, [&](BindAction& b) { b.hotkeyMod = mask; });
    editBinding(row, [&](BindAction& b) { b.hotkeyKey = click; });
    editBinding(row, [&](BindAction& b) { b.clickTh = flags.clickTh; });
    editBinding(row, [&](BindAction& b) { b.clickThEn = flags.clickThEn; });
    editBinding(row, [&](BindAction& b) { b.multiShot = flags.multiShot; });
    followOnGlobal(row, before);
}

namespace {

void toggleFlag(const RowRef& row, bool BindAction::*flag) {
    if (!row.own) return;
    if (row.appid.empty()) carryOver(row.path, readBinding(row), [flag](BindAction& slot) { slot.*flag = !(slot.*flag); });
    editBinding(row, [flag](BindAction& b) { b.*flag = !(b.*flag); });
}

} // namespace

void toggleClickThrough(const RowRef& row) { toggleFlag(row, &BindAction::clickTh); }
void toggleMultiShot(const RowRef& row) { toggleFlag(row, &BindAction::multiShot); }

void deleteBinding(const RowRef& row) {
    if (!row.own) return;
    const recorders::GesHilited now = recorders::GesHi::shared().h.get();
    if (now.fgr == row.path.fgr && now.ges == row.path.ges && now.mod == row.path.mod && now.dir == row.path.dir)
        clearHighlight();
    const GesPath& p = row.path;
    if (row.appid.empty()) {
        const BindAction reference = readBinding(row);
        for (const std::string& id : recorders::unlockedGesApps(Apps::shared().a.get())) {
            const AnApp* e = recorders::appEntry(id);
            const std::optional<BindAction> b = e ? recorders::gesBindingAt(*e, p) : std::nullopt;
            if (b && *b == reference) recorders::removeGesBinding(id, p.fgr, p.ges, p.mod, p.dir);
        }
    }
    recorders::removeGesBinding(row.appid, p.fgr, p.ges, p.mod, p.dir);
}

bool highlightRow(const RowRef& row) {
    if (recorders::PadRecState::shared().inGes || !row.delEn) return false;
    auto& hi = recorders::GesHi::shared();
    hi.byClick.set(true);
    hi.h.set(recorders::GesHilited{row.path.fgr, row.path.ges, row.path.mod, row.path.dir});
    return true;
}

void clearHighlight() {
    auto& hi = recorders::GesHi::shared();
    recorders::GesHilited h = hi.h.get();
    h.fgr = 0;
    hi.h.set(h);
}

bool clickThroughOffered(const BindAction& b) { return b.clickThEn || b.isHotkey; }

bool multiShotOffered(ActGes ges, const BindAction& b) {
    return (ges == ActGes::Swipe || ges == ActGes::Rotate || ges == ActGes::Zoom) && b.isHotkey;
}

bool editorShown(bool highlighted, const BindAction& b) {
    return highlighted && !b.isHotkey && b.actionSel == ActionId::Url;
}

MenuLabel bindingMenuLabel(const RowRef& row, const BindAction& b) {
    const recorders::KeyBind& kb = recorders::KeyBind::shared();
    if (row.highlighted && (!kb.modAllUp.get() || kb.keyDownCount.get() != 0)) {
        return {recorders::keyComboText(kb.raw.get() >> 16, kb.key.get()), MenuLabel::Tone::Primary};
    }
    const auto kind = static_cast<std::int64_t>(engine::classifyLaunchTarget(b.appName));
    return {recorders::bindingDisplayText(row.path.ges, b, kind),
            row.highlighted ? MenuLabel::Tone::Accent : MenuLabel::Tone::Norm};
}

} // namespace corv::ui::trackpad
