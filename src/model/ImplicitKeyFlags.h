#pragma once

// The event flags the system sets by itself on some keys' events.

#include <cstdint>
#include <optional>
#include <unordered_map>

namespace corv {

// Virtual key code → implied event flags, 52 entries.
const std::unordered_map<std::uint16_t, std::uint64_t>& implicitKeyFlags();
std::optional<std::uint64_t> implicitKeyFlagsFor(std::uint16_t keyCode);

} // namespace corv
