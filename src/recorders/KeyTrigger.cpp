#include "recorders/KeyTrigger.h"

#include "model/ActionTable.h"
#include "model/ModifierMask.h"
#include "recorders/BindingPaths.h"
#include "recorders/FollowingApps.h"
#include "recorders/Highlights.h"
#include "recorders/KeyBind.h"

namespace corv::recorders {

namespace {

constexpr std::uint64_t kPlaceholderKey = kNoKey;

// The modifier mask of a trigger: the held modifiers without the Fn the key
// brings by itself.
std::uint64_t triggerMask(std::uint16_t keyCode) { return keyModifierMask(KeyBind::shared().raw.get(), keyCode); }

// Removes the binding and its key level when that is left empty.
bool removeKeyBinding(AnApp& e, std::uint64_t key, std::uint64_t mod) {
    auto k = e.key.find(key);
    if (k == e.key.end() || k->second.erase(mod) == 0) return false;
    if (k->second.empty()) e.key.erase(k);
    return true;
}

// Puts the binding (when there is one) at the new trigger and takes the old
// one away; no level is made for an absent binding. False when nothing changed.
bool moveKeyBinding(AnApp& e, std::uint64_t k0, std::uint64_t m0, std::uint64_t k1, std::uint64_t m1,
                    const std::optional<BindAction>& b) {
    if (b) e.key[k1][m1] = *b;
    return removeKeyBinding(e, k0, m0) || b.has_value();
}

bool isPlainDoNothing(const std::optional<BindAction>& b) {
    return b && !b->isHotkey && b->actionSel == ActionId::DoNothing;
}

} // namespace

void recordKeyTrigger(std::uint16_t keyCode) {
    const std::string id = selectedAppId();
    const KeyHilited hi = KeyHighlighted::shared().h.get();
    const AnApp* entry = appEntry(id);
    if (!hi.key || !entry || !entry->key.count(*hi.key)) return;

    const std::uint64_t k0 = *hi.key;
    const std::uint64_t m0 = hi.mod;
    const std::uint64_t k1 = keyCode;
    const std::uint64_t m1 = triggerMask(keyCode);

    KeyHighlighted::shared().h.set(KeyHilited{k1, m1, false});
    if (k1 == k0 && m1 == m0) return;
    // Read after the highlight's observers ran: what they left is what moves.
    entry = appEntry(id);
    if (!entry) return;
    const std::optional<BindAction> b0 = keyBindingAt(*entry, k0, m0);

    bool changed = false;
    if (!keyBindingAt(*entry, k1, m1)) {
        std::optional<BindAction> placed = b0;
        if (!id.empty() && isPlainDoNothing(b0)) {
            if (const AnApp* global = appEntry("")) {
                if (auto g = keyBindingAt(*global, k1, m1)) placed = g;
            }
        }
        editEntry(id, [&](AnApp& e) { return moveKeyBinding(e, k0, m0, k1, m1, placed); });
        changed = true;
    } else if (k0 == kPlaceholderKey) {
        // The trigger is taken: the placeholder row goes away.
        if (id.empty()) {
            const std::optional<BindAction> globalPlaceholder = keyBindingAt(*entry, k0, m0);
            for (const std::string& app : unlockedKeyApps(Apps::shared().a.get())) {
                editEntry(app, [&](AnApp& e) {
                    return sameBinding(keyBindingAt(e, k0, m0), globalPlaceholder) && removeKeyBinding(e, k0, m0);
                });
            }
        }
        editEntry(id, [&](AnApp& e) { return removeKeyBinding(e, k0, m0); });
        changed = true;
    }

    if (!id.empty() || !changed) return;
    for (const std::string& app : unlockedKeyApps(Apps::shared().a.get())) {
        editEntry(app, [&](AnApp& e) {
            if (!sameBinding(keyBindingAt(e, k0, m0), b0)) return false;
            if (!keyBindingAt(e, k1, m1)) return moveKeyBinding(e, k0, m0, k1, m1, b0);
            return k0 == kPlaceholderKey && removeKeyBinding(e, k0, m0);
        });
    }
}

} // namespace corv::recorders
