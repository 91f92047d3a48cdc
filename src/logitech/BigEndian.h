#pragma once

// The one big-endian 16-bit read and write of the HID++ layer.

#include <cstddef>
#include <cstdint>
#include <span>

namespace corv::logitech {

// The value at bytes offset and offset + 1, high byte first; 0 when the two
// bytes are not both inside.
inline std::uint16_t readBe16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    if (offset >= bytes.size() || bytes.size() - offset < 2) return 0;
    return static_cast<std::uint16_t>(bytes[offset] << 8 | bytes[offset + 1]);
}

// Writes the value high byte first; nothing when the two bytes are not both inside.
inline void writeBe16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value) {
    if (offset >= bytes.size() || bytes.size() - offset < 2) return;
    bytes[offset] = static_cast<std::uint8_t>(value >> 8);
    bytes[offset + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

} // namespace corv::logitech
