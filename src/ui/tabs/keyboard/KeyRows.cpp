#include "ui/tabs/keyboard/KeyRows.h"

#include "model/ActionTable.h"
#include "model/KeyMenuKeys.h"
#include "model/KeyWords.h"
#include "recorders/BindingDisplayText.h"
#include "recorders/BindingPaths.h"
#include "recorders/FollowingApps.h"
#include "recorders/Highlights.h"

#include <set>

namespace corv::ui::keyboard {

using recorders::appEntry;
using recorders::keyBindingAt;
using recorders::sameBinding;

namespace {

void clearKeyHighlight() {
    auto& hi = recorders::KeyHighlighted::shared();
    recorders::KeyHilited h = hi.h.get();
    h.key.reset();
    hi.h.set(h);
}

void clearOtherHighlights() {
    auto& cid = recorders::LogiKeybHighlighted::shared();
    recorders::CidHilited c = cid.h.get();
    c.cid.reset();
    cid.h.set(c);
    recorders::PhyKeyHighlighted::shared().usage.set(std::nullopt);
}


} // namespace

std::vector<KeyRow> listKeyRows(const std::string& selectedId) {
    const AnApp* sel = appEntry(selectedId);
    const AnApp* global = appEntry("");
    std::vector<KeyRow> rows;
    if (!sel || !global) return rows;
    std::set<std::uint64_t> keys;
    for (const auto& [k, m] : sel->key) keys.insert(k);
    for (const auto& [k, m] : global->key) keys.insert(k);
    for (std::uint64_t k : keys) {
        std::set<std::uint64_t> mods;
        for (const AnApp* e : {sel, global})
            if (auto it = e->key.find(k); it != e->key.end())
                for (const auto& [m, b] : it->second) mods.insert(m);
        for (std::uint64_t m : mods) {
            const std::optional<BindAction> own = keyBindingAt(*sel, k, m);
            const std::optional<BindAction> g = keyBindingAt(*global, k, m);
            KeyRow r;
            if (own) {
                r.slot = KeySlotRef::general(selectedId, k, m);
                r.own = r.delEn = true;
                r.binding = *own;
                r.color = g && *g == *own ? RowColor::Primary : RowColor::Overridden;
            } else if (g) {
                r.slot = KeySlotRef::general("", k, m);
                r.binding = *g;
                r.color = RowColor::Dim;
            } else {
                continue;
            }
            rows.push_back(std::move(r));
        }
    }
    return rows;
}

bool keyCellHighlighted(const KeyRow& row) {
    const recorders::KeyHilited h = recorders::KeyHighlighted::shared().h.get();
    return row.delEn && h.key == row.slot.key && h.mod == row.slot.mod && h.src;
}

bool actionCellHighlighted(const KeyRow& row) {
    const recorders::KeyHilited h = recorders::KeyHighlighted::shared().h.get();
    return row.delEn && h.key == row.slot.key && h.mod == row.slot.mod && !h.src;
}

void addKeyBinding() { addKeyBinding(recorders::selectedAppId()); }

void addKeyBinding(const std::string& id) {
    if (!appEntry(id) || !appEntry("")) return;
    const BindAction fresh = BindAction::makeDefault();
    recorders::editEntry(id, [&](AnApp& e) {
        e.key[kPlaceholderKey] = ModBindings{{0, fresh}};
        return true;
    });
    if (id.empty()) {
        for (const std::string& app : recorders::unlockedKeyApps(Apps::shared().a.get()))
            recorders::editEntry(app, [&](AnApp& e) {
                if (keyBindingAt(e, kPlaceholderKey, 0)) return false;
                e.key[kPlaceholderKey] = ModBindings{{0, fresh}};
                return true;
            });
    }
    clearOtherHighlights();
    recorders::KeyHighlighted::shared().h.set(recorders::KeyHilited{kPlaceholderKey, 0, true});
}

void highlightRowCell(const KeyRow& row, bool src) {
    if (!row.delEn) return;
    clearOtherHighlights();
    recorders::KeyHighlighted::shared().h.set(recorders::KeyHilited{row.slot.key, row.slot.mod, src});
}

void deleteKeyBinding(const KeyRow& row) {
    if (!row.delEn) return;
    const std::uint64_t k = row.slot.key, m = row.slot.mod;
    const recorders::KeyHilited h = recorders::KeyHighlighted::shared().h.get();
    if (h.key == k && h.mod == m) clearKeyHighlight();
    if (row.slot.globalProfile()) {
        const std::optional<BindAction> global = readSlot(row.slot);
        for (const std::string& id : recorders::unlockedKeyApps(Apps::shared().a.get()))
            recorders::editEntry(id, [&](AnApp& e) {
                return sameBinding(keyBindingAt(e, k, m), global) && removeKeySlot(e.key, k, m);
            });
    }
    recorders::editEntry(row.slot.appid, [&](AnApp& e) { return removeKeySlot(e.key, k, m); });
}

void chooseMenuKey(const KeyRow& row, std::size_t index) {
    if (!row.delEn || index >= keyMenuKeys().size() || keyMenuKeys()[index].isSeparator()) return;
    const std::string& id = row.slot.appid;
    const std::uint64_t k = row.slot.key, m = row.slot.mod;
    const AnApp* entry = appEntry(id);
    if (!entry) return;
    const std::optional<BindAction> old = keyBindingAt(*entry, k, m);
    const std::uint64_t to = keyMenuKeys()[index].code;
    recorders::KeyHighlighted::shared().h.set(recorders::KeyHilited{to, 0, false});
    if (to == k && m == 0) return;
    entry = appEntry(id);  // found again after the highlight's observers ran
    if (!entry) return;
    const bool global = id.empty();
    const std::vector<std::string> followers =
        global ? recorders::unlockedKeyApps(Apps::shared().a.get()) : std::vector<std::string>{};

    if (!keyBindingAt(*entry, to, 0)) {
        if (!old) return;
        BindAction moved = *old;
        if (!global && !old->isHotkey && old->actionSel == ActionId::DoNothing) {
            const AnApp* g = appEntry("");
            if (auto gb = g ? keyBindingAt(*g, to, 0) : std::nullopt) moved = *gb;
        }
        recorders::editEntry(id, [&](AnApp& e) {
            e.key[to][0] = moved;
            removeKeySlot(e.key, k, m);
            return true;
        });
        for (const std::string& app : followers)
            recorders::editEntry(app, [&](AnApp& e) {
                if (!sameBinding(keyBindingAt(e, k, m), old)) return false;
                if (!keyBindingAt(e, to, 0)) {
                    e.key[to][0] = *old;
                    removeKeySlot(e.key, k, m);
                    return true;
                }
                return k == kPlaceholderKey && removeKeySlot(e.key, k, m);
            });
        return;
    }
    // The key is taken: its binding wins; only a placeholder row goes.
    if (k != kPlaceholderKey) return;
    for (const std::string& app : followers)
        recorders::editEntry(app, [&](AnApp& e) {
            return sameBinding(keyBindingAt(e, k, m), old) && removeKeySlot(e.key, k, m);
        });
    recorders::editEntry(id, [&](AnApp& e) { return removeKeySlot(e.key, k, m); });
}

std::vector<KeyMenuEntry> keyMenuEntries(const KeyRow& row) {
    const AnApp* e = appEntry(row.slot.appid);
    const recorders::KeyHilited h = recorders::KeyHighlighted::shared().h.get();
    std::vector<KeyMenuEntry> out;
    for (const NamedKey& k : keyMenuKeys()) {
        if (k.isSeparator()) {
            out.push_back({true, "-", false, false});
            continue;
        }
        const bool taken = e && keyBindingAt(*e, k.code, 0).has_value();
        out.push_back({false, std::string(shownKeyName(k.name)), !taken, h.key == k.code && h.mod == 0});
    }
    return out;
}

CellLabel keyCellLabel(const KeyRow& row) {
    const bool hi = keyCellHighlighted(row);
    if (hi && captureUnderway()) return {captureText(), Tone::Accent};
    std::string text;
    if (row.slot.key < kPlaceholderKey) {
        const auto code = static_cast<std::uint16_t>(row.slot.key);
        text = recorders::keyComboText(row.slot.mod, code);
    }
    return {text, hi ? Tone::Accent : Tone::Norm};
}

bool keyEditorShown(const KeyRow& row) {
    if (!actionCellHighlighted(row)) return false;
    const std::optional<BindAction> b = readSlot(row.slot);
    return b && !b->isHotkey && b->actionSel == ActionId::Url;
}

} // namespace corv::ui::keyboard
