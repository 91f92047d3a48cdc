#pragma once

// The key tap's handler: merges the modifiers held on Logitech keyboards into
// every key event, performs the key bindings of the current application in
// place of the keys, and shows the caps-lock notification. Main thread.

#include "model/BindAction.h"
#include "platform/EventTaps.h"

#include <cstdint>
#include <optional>
#include <unordered_map>

namespace corv::engine {

// Flags-changed key code of Caps Lock.
inline constexpr std::uint16_t kCapsLockKeyCode = 0x39;
// Only a set flag in this bit of the merged state is dropped from it.
inline constexpr std::uint64_t kDroppedMergedFlag = 0x20000000;

struct KeyTapState {
    // The binding performed at a key's key-down, kept until its key-up.
    std::unordered_map<std::uint16_t, BindAction> pendingKeyBindings;

    static KeyTapState& shared();
};

// The handler behind keyTapCallback.
std::optional<platform::Event> keyTapHandler(platform::TapProxy proxy, std::uint32_t type, platform::Event event);

// Lets go of what the held bound keys pressed, for a tap that will not see
// their key-ups: each stored binding is released as its key-up would release
// it, posted at the session (no callback is running), in key-code order, and
// forgotten.
void releasePendingKeyBindings();

// Switches the key tap off and lets go of what its held keys pressed. Every
// pause and stop of the key tap goes through here.
void switchKeyTapOff();

// The caps-lock symbol, filled when on.
void showCapsLockNotification(bool on);

} // namespace corv::engine
