#pragma once

// The key recorder: while a row is highlighted it follows every key event in
// KeyBind and, when the last key of a combination comes up, writes the
// combination into the highlighted row's binding.

#include "platform/Event.h"

#include <cstdint>
#include <optional>

namespace corv::recorders {

// Flags of shift, control, option, command and Fn.
inline constexpr std::uint64_t kHeldModifierFlags = 0x9E0000;

// The event to let through (only while the row is bound to "Url"), or
// nothing to swallow it. A combination is ignored when the binding it would
// go to, its application entry or its keyboard record is gone.
std::optional<platform::Event> recordKeyEvent(std::uint32_t type, platform::Event event);

// The flags the system adds to the key by itself; 0x100 for a key without any.
std::uint64_t impliedFlags(std::uint16_t keyCode);

} // namespace corv::recorders
