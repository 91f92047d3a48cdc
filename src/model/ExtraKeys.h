#pragma once

// The keys of the "Extra Keys" submenu with the event flags each is sent
// with. A row named "-" (code 0xFFFF, flags 0) is a separator.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace corv {

struct ExtraKey {
    std::string_view name;
    std::uint16_t code;
    std::uint64_t flags;
    constexpr bool isSeparator() const { return name == "-"; }
};

inline constexpr std::size_t kExtraKeyCount = 45;

const std::array<ExtraKey, kExtraKeyCount>& extraKeys();

} // namespace corv
