#pragma once

// Posting a key combination: one tap, the press, the release, and the release
// of its modifier keys. Main thread. The second half of a tap is posted on a
// later turn of the main queue, after the current tap callback has returned.

#include "platform/Event.h"

#include <cstdint>
#include <optional>

namespace corv::engine {

// The key code of one modifier key that stands for the flags: Control 59,
// else Shift 56, else Command 55, else Option 58, else Fn 63, else Caps Lock
// 57, else 55.
std::uint16_t modifierKeyCode(std::uint64_t flags);

// One tap: key down with mods | extraMods now, key up next turn, then (with a
// modifier) the modifier release on a turn after that.
void postKeyCombo(std::uint64_t mods, std::uint64_t extraMods, std::uint16_t keyCode, bool clickThrough);
// The press half; the caller releases with postKeyUp and postModifierRelease.
void postKeyComboDown(std::uint64_t mods, std::uint64_t extraMods, std::uint16_t keyCode, bool clickThrough);

// Each takes the event of the press, changes it, posts it and gives it back
// as changed; an absent event posts nothing.
std::optional<platform::Event> postKeyUp(std::optional<platform::Event> event, std::uint64_t mods,
                                         std::uint64_t extraMods);
// postKeyUp, then on a later turn the modifier release when there is a modifier.
void postKeyComboUp(std::optional<platform::Event> event, std::uint64_t mods, std::uint64_t extraMods);
std::optional<platform::Event> postModifierRelease(std::optional<platform::Event> event, std::uint64_t mods,
                                                   std::uint64_t extraMods);

// A new flags-changed event for modifierKeyCode(flags) with no modifier held.
void releaseModifierKey(std::uint64_t flags);

// Flags from this value up hold a modifier.
inline constexpr std::uint64_t kFirstModifierFlag = 0x10000;

} // namespace corv::engine
