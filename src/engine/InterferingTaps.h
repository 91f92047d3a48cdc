#pragma once

// Other programs' active event taps on all processes that may swallow or
// change the events the engine relies on, listed for the settings tab.
// Main thread.

#include <cstdint>
#include <string>
#include <string_view>

namespace corv::engine {

// Mouse buttons, moves and drags, keys, modifiers, scroll wheel, other
// buttons, gestures and dock control.
inline constexpr std::uint64_t kInterferingEventMask = 0x6E401CFE;

// Rebuilds `UIState.interferingApp`. A tap list that cannot be read, or an
// empty one, keeps the last result.
void findInterferingEventTaps();

// pid 0, an application of "com.apple.", or an executable under the
// system's own folders.
bool isSystemProcess(std::int32_t pid);

// The name the settings tab shows for a process.
std::string processDisplayName(std::int32_t pid);

// The bytes up to the first zero byte, as UTF-8 with every invalid sequence
// replaced by U+FFFD.
std::string cStringAsUtf8(std::string_view bytes);

} // namespace corv::engine
