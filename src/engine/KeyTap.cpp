#include "engine/KeyTap.h"

#include "engine/ActionExecutor.h"
#include "engine/AppWindows.h"
#include "engine/EngineTaps.h"
#include "engine/EventFields.h"
#include "engine/EventKinds.h"
#include "engine/GestureLookup.h"
#include "engine/HIDPostManager.h"
#include "engine/HeldModifiers.h"
#include "engine/KeyInterest.h"
#include "engine/KeyCombo.h"
#include "engine/ModClick.h"
#include "engine/NotifWinManager.h"
#include "engine/SessionPost.h"
#include "engine/SkyLight.h"
#include "model/ActionTable.h"
#include "model/ModifierMask.h"
#include "model/Shared.h"
#include "model/UIState.h"
#include "platform/Platform.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

namespace corv::engine {

namespace {

using platform::Event;
using Result = std::optional<Event>;

std::uint16_t keyCodeOf(const Event& event) {
    return static_cast<std::uint16_t>(event.integerField(EventField::KeyboardKeycode));
}

// The binding of the key under the mask, else under mask 0 with the held
// modifiers as extra flags.
const BindAction* findKeyBinding(const AnApp& app, std::uint16_t key, std::uint64_t mods, std::uint64_t& extra) {
    auto byKey = app.key.find(key);
    if (byKey == app.key.end()) return nullptr;
    const ModBindings& byMask = byKey->second;
    if (auto exact = byMask.find(mods); exact != byMask.end()) {
        extra = 0;
        return &exact->second;
    }
    if (auto plain = byMask.find(0); plain != byMask.end()) {
        extra = mods << 16;
        return &plain->second;
    }
    return nullptr;
}

Result flagsChanged(Event event) {
    auto& held = HeldModifiers::shared();
    const std::uint16_t key = keyCodeOf(event);
    const std::uint64_t flags = event.flags();
    if (key == kModifierMarkerKeyCode) {
        const bool wasHeld = held.logiModifierFlags != 0;
        held.logiModifierFlags = flags;
        held.combinedModifierFlags = (held.keyboardModifierFlags | flags) & ~kDroppedMergedFlag;
        if (wasHeld != (flags != 0)) updateKeyInterest();
    } else {
        held.keyboardModifierFlags = flags;
        held.combinedModifierFlags = (held.logiModifierFlags | flags) & ~kDroppedMergedFlag;
        if (key == kCapsLockKeyCode && UIState::shared().capslockNotif.get()) {
            const bool on = (held.combinedModifierFlags & EventFlag::CapsLock) != 0;
            platform::runLoop().post([on] { showCapsLockNotification(on); });
        }
    }
    event.setFlags(held.combinedModifierFlags);
    return event;
}

// What a key-down stored is released: the substitute key (and its modifier)
// goes up, a modified click is let go. Substitute events go out through post.
template <class Post>
void releaseBindingThrough(const BindAction& binding, Post post) {
    if (binding.isHotkey) {
        Event up = Event::keyboard(binding.hotkeyKey, false);
        up.setFlags(binding.hotkeyMod);
        post(up);
        if (binding.hotkeyMod >= kFirstModifierFlag) {
            up.setIntegerField(EventField::KeyboardKeycode, modifierKeyCode(binding.hotkeyMod));
            up.setType(raw(NSEventType::FlagsChanged));
            up.setFlags(EventFlag::NonCoalesced);
            post(up);
        }
    } else if (binding.actionSel == ActionId::ModClicks) {
        postModClick(binding.hotkeyMod, 0, binding.hotkeyKey, static_cast<std::int64_t>(ClickPhase::Release), false);
    }
}

// Inside the callback substitutes enter the stream at the tap's place.
void releaseBinding(platform::TapProxy proxy, const BindAction& binding) {
    releaseBindingThrough(binding, [proxy](const Event& e) { platform::eventTaps().postToProxy(proxy, e); });
}

Result keyDown(platform::TapProxy proxy, Event event) {
    const std::int64_t repeat = event.integerField(EventField::KeyboardAutorepeat);
    event.setFlags(event.flags() | HeldModifiers::shared().logiModifierFlags);
    const std::uint16_t key = keyCodeOf(event);
    const std::uint64_t mods = keyModifierMask(event.flags(), key);

    // A missing entry (the current application's entry removed meanwhile)
    // binds nothing: the key passes as an unbound one.
    const AnApp* app = currentAppEntry();
    if (!app) return event;
    std::uint64_t extra = 0;
    const BindAction* found = findKeyBinding(*app, key, mods, extra);
    if (!found) return event;

    auto& pending = KeyTapState::shared().pendingKeyBindings;
    const bool modClick = !found->isHotkey && found->actionSel == ActionId::ModClicks;
    // A repeat presses no modified click, so it stores none: the key-up
    // releases what was pressed.
    if (modClick && repeat != 0) return std::nullopt;
    // A repeat whose modifiers now find another binding: the one held so far
    // is released before this one is pressed and stored.
    if (auto held = pending.find(key); held != pending.end() && !(held->second == *found)) {
        const BindAction old = std::move(held->second);
        pending.erase(held);
        releaseBinding(proxy, old);
    }
    const BindAction binding = pending.insert_or_assign(key, *found).first->second;
    if (binding.isHotkey) {
        Event down = Event::keyboard(binding.hotkeyKey, true);
        down.setFlags(binding.hotkeyMod | extra);
        platform::eventTaps().postToProxy(proxy, down);
    } else if (modClick) {
        appUnderCursor(cursorLocation());
        postModClick(binding.hotkeyMod, extra, binding.hotkeyKey, static_cast<std::int64_t>(ClickPhase::Press),
                     true);
    } else {
        performAction(binding.actionSel, false, extra, binding.appName);
    }
    return std::nullopt;
}

Result keyUp(platform::TapProxy proxy, Event event) {
    event.setFlags(event.flags() | HeldModifiers::shared().logiModifierFlags);
    auto& pending = KeyTapState::shared().pendingKeyBindings;
    auto it = pending.find(keyCodeOf(event));
    if (it == pending.end()) return event;
    const BindAction binding = std::move(it->second);
    pending.erase(it);
    releaseBinding(proxy, binding);
    return std::nullopt;
}

} // namespace

KeyTapState& KeyTapState::shared() { return Shared<KeyTapState>::instance(); }

std::optional<Event> keyTapHandler(platform::TapProxy proxy, std::uint32_t type, Event event) {
    switch (type) {
    case platform::eventType::FlagsChanged: return flagsChanged(std::move(event));
    case platform::eventType::KeyDown: return keyDown(proxy, std::move(event));
    case platform::eventType::KeyUp: return keyUp(proxy, std::move(event));
    default:
        if (type == platform::eventType::TapDisabledByTimeout) setTapEnabled(keyTap());
        HeldModifiers::shared().combinedModifierFlags = 0;
        event.setFlags(0);
        return event;
    }
}

void releasePendingKeyBindings() {
    auto& pending = KeyTapState::shared().pendingKeyBindings;
    if (pending.empty()) return;
    std::vector<std::pair<std::uint16_t, BindAction>> held(std::make_move_iterator(pending.begin()),
                                                           std::make_move_iterator(pending.end()));
    pending.clear();
    std::sort(held.begin(), held.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& entry : held) releaseBindingThrough(entry.second, [](const Event& e) { postAtSession(e); });
}

void switchKeyTapOff() {
    switchTapOff(keyTap());
    releasePendingKeyBindings();
}

void showCapsLockNotification(bool on) { NotifWinManager::shared().show(on ? "capslock.fill" : "capslock"); }

} // namespace corv::engine
