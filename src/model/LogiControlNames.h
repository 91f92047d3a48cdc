#pragma once

// Display names of Logitech HID++ control ids.

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace corv {

// Control id → name, 339 entries. Names with "//" pair an unshifted and a
// shifted character.
const std::unordered_map<std::uint16_t, std::string_view>& logiControlNames();
std::optional<std::string_view> logiControlName(std::uint16_t controlId);

} // namespace corv
