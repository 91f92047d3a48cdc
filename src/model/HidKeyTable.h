#pragma once

// The HID keyboard usages offered for modifier-key substitution. Row indices
// are stored in the settings, so the order never changes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace corv {

// Usage page in the upper 32 bits, usage in the lower 32.
constexpr std::uint64_t hidCode(std::uint32_t usagePage, std::uint32_t usage) {
    return (static_cast<std::uint64_t>(usagePage) << 32) | usage;
}
constexpr std::uint32_t hidUsagePage(std::uint64_t code) { return static_cast<std::uint32_t>(code >> 32); }
constexpr std::uint32_t hidUsage(std::uint64_t code) { return static_cast<std::uint32_t>(code & 0xFFFFFFFFu); }

struct HidKeyRow {
    std::uint64_t code; // 0 for a separator
    std::string_view label;
    constexpr bool isSeparator() const { return code == 0 && label == "-"; }
};

inline constexpr std::size_t kHidKeyRowCount = 124;

const std::array<HidKeyRow, kHidKeyRowCount>& hidKeyTable();
// The row at an index; nothing outside the table.
std::optional<HidKeyRow> hidKeyRow(std::size_t index);
// The index of the first row with the code.
std::optional<std::size_t> findHidKeyRow(std::uint64_t code);

} // namespace corv
