#pragma once

// Event modifier flags and the compact modifier mask that bindings are keyed by.

#include <cstdint>

namespace corv {

// Event-flag bits.
namespace EventFlag {
inline constexpr std::uint64_t NonCoalesced = 0x100;
inline constexpr std::uint64_t CapsLock = 0x10000;
inline constexpr std::uint64_t Shift = 0x20000;
inline constexpr std::uint64_t Control = 0x40000;
inline constexpr std::uint64_t Option = 0x80000;
inline constexpr std::uint64_t Command = 0x100000;
inline constexpr std::uint64_t NumericPad = 0x200000;
inline constexpr std::uint64_t Help = 0x400000;
inline constexpr std::uint64_t Fn = 0x800000;
} // namespace EventFlag

// Bits of the compact mask: the event flags shifted right by 16.
namespace ModMask {
inline constexpr std::uint64_t Shift = 0x02;
inline constexpr std::uint64_t Control = 0x04;
inline constexpr std::uint64_t Option = 0x08;
inline constexpr std::uint64_t Command = 0x10;
inline constexpr std::uint64_t Fn = 0x80;
// Caps Lock, numeric pad and help never take part.
inline constexpr std::uint64_t All = Shift | Control | Option | Command | Fn;
} // namespace ModMask

// The compact mask of event flags.
constexpr std::uint64_t modifierMask(std::uint64_t flags) { return (flags >> 16) & ModMask::All; }

// A key event's mask: Fn is dropped for keys on which the system sets Fn by itself.
std::uint64_t refineKeyMask(std::uint64_t mask, std::uint16_t keyCode);
std::uint64_t keyModifierMask(std::uint64_t flags, std::uint16_t keyCode);

} // namespace corv
