#include "recorders/KeyRecorder.h"

#include "model/ActionTable.h"
#include "model/ImplicitKeyFlags.h"
#include "model/LogiKeysOpt.h"
#include "recorders/BindingPaths.h"
#include "recorders/FollowingApps.h"
#include "recorders/Highlights.h"
#include "recorders/KeyBind.h"
#include "recorders/KeyTrigger.h"

#include <functional>
#include <vector>

namespace corv::recorders {

namespace {

using platform::eventType::FlagsChanged;
using platform::eventType::KeyDown;
using platform::eventType::KeyUp;

bool boundToUrl(const std::optional<BindAction>& b) {
    return b && !b->isHotkey && b->actionSel == ActionId::Url;
}

// The control's binding under mask 0 in the keyboard's record; null when the
// record or the binding is missing.
template <class Keyboards>
auto controlSlot(Keyboards& keyboards, std::int64_t optIdx, std::uint16_t cid)
    -> decltype(&keyboards.front().key.begin()->second.begin()->second) {
    if (optIdx < 0 || static_cast<std::size_t>(optIdx) >= keyboards.size()) return nullptr;
    auto& controls = keyboards[static_cast<std::size_t>(optIdx)].key;
    auto c = controls.find(cid);
    if (c == controls.end()) return nullptr;
    auto m = c->second.find(0);
    return m == c->second.end() ? nullptr : &m->second;
}

std::optional<BindAction> controlBinding(std::int64_t optIdx, std::uint16_t cid) {
    if (const BindAction* b = controlSlot(LogiKeysOpt::shared().k.get(), optIdx, cid)) return *b;
    return std::nullopt;
}

// The highlighted row is bound to "Url": keys pass and nothing is recorded.
bool urlRowHighlighted() {
    const std::string id = selectedAppId();
    const AnApp* entry = appEntry(id);
    const GesHilited& g = GesHi::shared().h.get();
    if (g.fgr != 0 && entry && boundToUrl(gesBindingAt(*entry, {g.fgr, g.ges, g.mod, g.dir}))) return true;
    const KeyHilited& k = KeyHighlighted::shared().h.get();
    if (k.key && !k.src && entry && boundToUrl(keyBindingAt(*entry, *k.key, k.mod))) return true;
    const CidHilited& c = LogiKeybHighlighted::shared().h.get();
    return c.cid && boundToUrl(controlBinding(c.optIdx, *c.cid));
}

// The capture state, read afresh each time: an observer of any change may
// have put a fresh instance in the slot (a tab shown).
KeyBind& kb() { return KeyBind::shared(); }

void endCapture() {
    kb().modLocked.set(false);
    kb().raw.set(0);
    kb().key.set(kNoKey);
}

// The changes that make a binding the combination, in order; each is applied
// as its own change of the settings object.
std::vector<std::function<void(BindAction&)>> combinationSteps(std::uint16_t key, std::uint64_t flags,
                                                               bool clickThrough) {
    return {
        [](BindAction& b) { b.isHotkey = true; },
        [](BindAction& b) { b.actionSel = ActionId::DoNothing; },
        [key](BindAction& b) { b.hotkeyKey = key; },
        [flags](BindAction& b) { b.hotkeyMod = flags; },
        [clickThrough](BindAction& b) {
            b.clickTh = clickThrough;
            b.clickThEn = clickThrough;
        },
        [](BindAction& b) { b.multiShot = false; },
    };
}

void writeGestureRow(const std::string& id, const GesPath& p, std::uint16_t key, std::uint64_t flags) {
    const AnApp* entry = appEntry(id);
    if (!entry) return;
    const std::optional<BindAction> old = gesBindingAt(*entry, p);
    if (!old) return;
    for (const auto& step : combinationSteps(key, flags, true)) {
        editEntry(id, [&](AnApp& e) {
            BindAction* b = gesSlot(e, p);
            if (b) step(*b);
            return b != nullptr;
        });
    }
    if (!id.empty()) return;
    // What an observer of the steps left of the binding is what follows.
    const AnApp* global = appEntry(id);
    const std::optional<BindAction> now = global ? gesBindingAt(*global, p) : std::nullopt;
    if (!now) return;
    const BindAction written = *now;
    for (const std::string& app : unlockedGesApps(Apps::shared().a.get())) {
        editEntry(app, [&](AnApp& e) {
            if (!sameBinding(gesBindingAt(e, p), old)) return false;
            DirBindings* m = modifierLevel(e, p);
            if (!m) return false;
            (*m)[p.dir] = written;
            return true;
        });
    }
}

void writeKeyRow(const std::string& id, std::uint64_t rowKey, std::uint64_t rowMod, std::uint16_t key,
                 std::uint64_t flags) {
    const AnApp* entry = appEntry(id);
    if (!entry) return;
    const std::optional<BindAction> old = keyBindingAt(*entry, rowKey, rowMod);
    if (!old) return;
    for (const auto& step : combinationSteps(key, flags, false)) {
        editEntry(id, [&](AnApp& e) {
            BindAction* b = keySlot(e, rowKey, rowMod);
            if (b) step(*b);
            return b != nullptr;
        });
    }
    if (!id.empty()) return;
    const AnApp* global = appEntry(id);
    const std::optional<BindAction> now = global ? keyBindingAt(*global, rowKey, rowMod) : std::nullopt;
    if (!now) return;
    const BindAction written = *now;
    for (const std::string& app : unlockedKeyApps(Apps::shared().a.get())) {
        editEntry(app, [&](AnApp& e) {
            if (!sameBinding(keyBindingAt(e, rowKey, rowMod), old)) return false;
            e.key[rowKey][rowMod] = written;
            return true;
        });
    }
}

void writeControlRow(std::int64_t optIdx, std::uint16_t cid, std::uint16_t key, std::uint64_t flags) {
    // Each step looks the record up again: an observer of the last one may
    // have changed the list.
    for (const auto& step : combinationSteps(key, flags, false)) {
        if (!controlBinding(optIdx, cid)) return;
        LogiKeysOpt::shared().k.modify([&](std::vector<LogiKeyOpt>& keyboards) {
            if (BindAction* b = controlSlot(keyboards, optIdx, cid)) step(*b);
        });
    }
}

// The combination is complete: the highlight decides where it goes.
void writeCombination(std::uint16_t key) {
    const std::uint64_t flags = KeyBind::shared().raw.get() | impliedFlags(key);
    const std::string id = selectedAppId();
    const GesHilited g = GesHi::shared().h.get();
    const CidHilited c = LogiKeybHighlighted::shared().h.get();
    const KeyHilited k = KeyHighlighted::shared().h.get();
    if (g.fgr != 0) {
        writeGestureRow(id, {g.fgr, g.ges, g.mod, g.dir}, key, flags);
    } else if (c.cid) {
        writeControlRow(c.optIdx, *c.cid, key, flags);
    } else if (k.key) {
        if (k.src) {
            recordKeyTrigger(key);
        } else {
            writeKeyRow(id, *k.key, k.mod, key, flags);
        }
    }
}

void flagsChanged(const platform::Event& event) {
    const std::uint64_t f = event.flags();
    if (!kb().modLocked.get()) kb().raw.set(f);
    if (f & kHeldModifierFlags) {
        kb().modAllUp.set(false);
        return;
    }
    kb().modAllUp.set(true);
    if (kb().keyDownCount.get() != 0) return;
    endCapture();
}

void keyEvent(const platform::Event& event) {
    if (event.integerField(platform::field::KeyboardAutorepeat) != 0) return;
    const auto key = static_cast<std::uint16_t>(event.integerField(platform::field::KeyboardKeycode));
    if (event.type() == KeyDown) {
        kb().key.set(key);
        kb().keyDownCount.set(kb().keyDownCount.get() + 1);
        kb().modLocked.set(true);
        return;
    }
    if (event.type() != KeyUp) return;
    if (kb().keyDownCount.get() > 0) {
        kb().keyDownCount.set(kb().keyDownCount.get() - 1);
        kb().key.set(key);
    }
    if (kb().keyDownCount.get() != 0) return;
    kb().key.set(key);
    writeCombination(key);
    // With a modifier still held the combination stays on show until it is released.
    if (kb().modAllUp.get()) endCapture();
}

} // namespace

std::uint64_t impliedFlags(std::uint16_t keyCode) { return implicitKeyFlagsFor(keyCode).value_or(0x100); }

std::optional<platform::Event> recordKeyEvent(std::uint32_t type, platform::Event event) {
    if (urlRowHighlighted()) return event;
    if (type == FlagsChanged) {
        flagsChanged(event);
    } else {
        keyEvent(event);
    }
    return std::nullopt;
}

} // namespace corv::recorders
