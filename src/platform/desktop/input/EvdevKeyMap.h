#pragma once

// Keys at the edge of the machine: evdev key codes, the virtual key codes the
// stored settings use, and HID usages (page << 32 | usage) of the key
// substitutions. Command is Super (Meta), Option is Alt.

#include "platform/Event.h"

#include <cstdint>
#include <optional>
#include <span>

namespace corv::desktop {

struct EvdevKey {
    std::uint16_t evdev;
    std::uint16_t virtualKey;  // 0xFFFF: none (media keys pass as they are)
    std::uint64_t hidUsage;    // 0: none
    platform::EventFlags implied;  // flags the system adds to this key's events
};

// One row per evdev code; a virtual key or usage may stand on several rows,
// the first of them is its own.
std::span<const EvdevKey> evdevKeys();

std::optional<std::uint16_t> virtualKeyOfEvdev(std::uint16_t evdev);
std::optional<std::uint16_t> evdevOfVirtualKey(std::uint16_t virtualKey);
std::optional<std::uint64_t> hidUsageOfEvdev(std::uint16_t evdev);
std::optional<std::uint16_t> evdevOfHidUsage(std::uint64_t usage);
platform::EventFlags impliedFlagsOfEvdev(std::uint16_t evdev);

namespace flag {
inline constexpr platform::EventFlags CapsLock = 0x10000;
inline constexpr platform::EventFlags Shift = 0x20000;
inline constexpr platform::EventFlags Control = 0x40000;
inline constexpr platform::EventFlags Option = 0x80000;
inline constexpr platform::EventFlags Command = 0x100000;
inline constexpr platform::EventFlags NumericPad = 0x200000;
inline constexpr platform::EventFlags Fn = 0x800000;
inline constexpr platform::EventFlags NonCoalesced = 0x100;
// Device-specific left and right bits.
inline constexpr platform::EventFlags LeftControl = 0x1;
inline constexpr platform::EventFlags LeftShift = 0x2;
inline constexpr platform::EventFlags RightShift = 0x4;
inline constexpr platform::EventFlags LeftCommand = 0x8;
inline constexpr platform::EventFlags RightCommand = 0x10;
inline constexpr platform::EventFlags LeftOption = 0x20;
inline constexpr platform::EventFlags RightOption = 0x40;
inline constexpr platform::EventFlags RightControl = 0x2000;
} // namespace flag

// The flags a held modifier key contributes (its class bit and its own side
// bit); 0 for keys that are no modifier and for Caps Lock, which toggles.
platform::EventFlags modifierFlagsOfEvdev(std::uint16_t evdev);

} // namespace corv::desktop
