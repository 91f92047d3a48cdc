#pragma once

// System symbolic hot keys and the system-defined media and brightness keys.

#include <cstdint>

namespace corv::engine {

// Posts the key combination of a system symbolic hot key. A hot key the user
// switched off is switched on for the post and off again at once after it.
void postSymbolicHotKey(std::uint32_t hotKey, bool clickThrough);

// Key types of the system-defined keys.
namespace SystemKeyType {
inline constexpr std::int64_t SoundUp = 0;
inline constexpr std::int64_t SoundDown = 1;
inline constexpr std::int64_t BrightnessUp = 2;
inline constexpr std::int64_t BrightnessDown = 3;
inline constexpr std::int64_t Mute = 7;
inline constexpr std::int64_t Play = 16;
inline constexpr std::int64_t Next = 17;
inline constexpr std::int64_t Previous = 18;
} // namespace SystemKeyType

// One press and release of a system-defined key.
void postSystemKey(std::int64_t keyType, std::uint64_t modifierFlags);

} // namespace corv::engine
