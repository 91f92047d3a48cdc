#pragma once

// The actions bound to the diverted keys of Logitech keyboards: each report
// of held controls releases what is no longer held and presses what is new.
// Main thread.

#include <cstddef>
#include <cstdint>
#include <set>

namespace corv::engine {

// The Fn key: never taken as a held control.
inline constexpr std::uint16_t kLogiFnControl = 0x34;
// The held control ids sit at these offsets of the report, high byte first.
inline constexpr std::size_t kHeldControlsAt = 4;
inline constexpr std::size_t kHeldControlSlots = 4;

// The non-zero control ids of the report's four slots, without Fn. A slot
// the report is too short for holds nothing.
std::set<std::uint16_t> heldLogiControls(const std::uint8_t* report, std::size_t length);

// Keyboard: index into LogiKeybsNoUI.k; options: index into LogiKeysOpt.k.
// An options index outside the list performs nothing but still records the
// held controls.
void performLogiKeyActions(int keyboard, int options, const std::uint8_t* report, std::size_t length);

// Releases everything the keyboard still holds and empties its keyState.
void releaseHeldLogiKeys(int keyboard);

} // namespace corv::engine
