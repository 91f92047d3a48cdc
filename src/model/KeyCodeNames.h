#pragma once

// Display names of virtual key codes.

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace corv {

// Key code → name, 119 entries; codes 10 and 54, among others, have none.
const std::unordered_map<std::uint16_t, std::string_view>& keyCodeNames();
std::optional<std::string_view> keyCodeName(std::uint16_t keyCode);

} // namespace corv
