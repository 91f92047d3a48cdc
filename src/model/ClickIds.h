#pragma once

// The kinds of click a "Mod Clicks" binding can send.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace corv {

namespace ClickId {
inline constexpr std::int64_t NoClick = 0;
inline constexpr std::int64_t Left = 1;
inline constexpr std::int64_t Right = 2;
inline constexpr std::int64_t Middle = 3;
} // namespace ClickId

// Click name → click number: "No Click" 0, "L Click" 1, "R Click" 2, "Middle Click" 3.
const std::unordered_map<std::string_view, std::int64_t>& clickIds();
std::optional<std::int64_t> clickId(std::string_view name);
// The name whose number equals id; nothing when none does.
std::optional<std::string_view> clickNameFor(std::int64_t id);

} // namespace corv
