#pragma once

// The keys a general key row's key menu offers, in menu order. A row named
// "-" with code 0xFFFF is a separator.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace corv {

struct NamedKey {
    std::string_view name;
    std::uint16_t code;
    constexpr bool isSeparator() const { return name == "-"; }
};

inline constexpr std::size_t kKeyMenuKeyCount = 41;

const std::array<NamedKey, kKeyMenuKeyCount>& keyMenuKeys();

} // namespace corv
