#pragma once

// Labels of the modifier combinations a "Mod Clicks" binding can hold.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace corv {

struct ModifierLabel {
    std::string_view label;
    std::uint64_t flags; // event-flag position, with 0x100 on all but "None"
};

inline constexpr std::size_t kModifierLabelCount = 16;

// The rows in table order: "None", the single modifiers, then the pairs.
const std::array<ModifierLabel, kModifierLabelCount>& modifierLabelRows();
// Label → flags.
const std::unordered_map<std::string_view, std::uint64_t>& modifierLabelFlags();
std::optional<std::uint64_t> modifierLabelFlag(std::string_view label);
// The label whose value equals the flags exactly; nothing when none does.
std::optional<std::string_view> modifierLabelFor(std::uint64_t flags);

} // namespace corv
