#pragma once

// The system's symbolic hot-key numbers, by name.

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace corv {

// Name → symbolic hot-key number, 35 entries.
const std::unordered_map<std::string_view, std::uint16_t>& symbolicHotKeyIds();
std::optional<std::uint16_t> symbolicHotKeyId(std::string_view name);

} // namespace corv
