#pragma once

#include <cstdint>
#include <optional>

namespace corv::logitech {

// The kind of the device pairing through a receiver: 1 keyboard, 2 mouse.
struct PairingInfo {
    static PairingInfo& shared();
    std::optional<std::uint8_t> kind;
};

} // namespace corv::logitech
