#pragma once

// HID++ report layout: report IDs, lengths, byte offsets, sub-ids and the
// receiver registers this program uses.

#include <cstddef>
#include <cstdint>

namespace corv::logitech::hidpp {

inline constexpr std::uint8_t kShortReportId = 0x10;
inline constexpr std::uint8_t kLongReportId = 0x11;
inline constexpr std::size_t kShortLength = 7;
inline constexpr std::size_t kLongLength = 20;

// Device index of the receiver itself, or of a device attached directly.
inline constexpr std::uint8_t kReceiverIndex = 0xFF;
inline constexpr std::uint8_t kFirstSlotIndex = 1;
inline constexpr std::uint8_t kLastSlotIndex = 6;

// Byte offsets, common to both forms.
inline constexpr std::size_t kReportIdAt = 0;
inline constexpr std::size_t kDeviceIndexAt = 1;
inline constexpr std::size_t kSubIdAt = 2;        // HID++ 1.0 sub-id; HID++ 2.0 feature index
inline constexpr std::size_t kAddressAt = 3;      // register address; HID++ 2.0 function | software id
inline constexpr std::size_t kParamsAt = 4;       // p0 (HID++ 1.0) or the first parameter (HID++ 2.0)
inline constexpr std::size_t kErrorSubIdAt = 3;   // error report: the failed request's byte 2
inline constexpr std::size_t kErrorAddressAt = 4; // error report: the failed request's byte 3
inline constexpr std::size_t kErrorCodeAt = 5;

// HID++ 1.0 sub-ids.
inline constexpr std::uint8_t kSetShortRegister = 0x80;
inline constexpr std::uint8_t kGetShortRegister = 0x81;
inline constexpr std::uint8_t kGetLongRegister = 0x83;
inline constexpr std::uint8_t kShortError = 0x8F;
// HID++ 2.0 error feature index.
inline constexpr std::uint8_t kLongError = 0xFF;

// Receiver notifications.
inline constexpr std::uint8_t kDeviceDisconnected = 0x40;
inline constexpr std::uint8_t kDeviceConnection = 0x41;
inline constexpr std::uint8_t kPairingLock = 0x4A;
inline constexpr std::uint8_t kPasskey = 0x4D;
inline constexpr std::uint8_t kPasskeyKeyPress = 0x4E;
inline constexpr std::uint8_t kPairingInformation = 0x4F;
inline constexpr std::uint8_t kPairingStatus = 0x53;
inline constexpr std::uint8_t kPairingEnded = 0x54;

// Receiver registers.
inline constexpr std::uint8_t kRegNotificationFlags = 0x00;
inline constexpr std::uint8_t kRegConnectionState = 0x02;
inline constexpr std::uint8_t kRegPairingInfo = 0xB5;

// Register 0x00, p1: wireless and software-present notifications.
inline constexpr std::uint8_t kFlagWireless = 0x01;
inline constexpr std::uint8_t kFlagSoftwarePresent = 0x08;
// Register 0x02, p0: announce the connected devices.
inline constexpr std::uint8_t kAnnounceDevices = 0x02;
// Register 0xB5 sub-pages.
inline constexpr std::uint8_t kNamePage = 0x40;      // + slot
inline constexpr std::uint8_t kBoltNamePage = 0x60;  // + slot + 1
inline constexpr std::uint8_t kBoltNamePart = 0x01;

// Device connection notice, byte 4.
inline constexpr std::uint8_t kLinkLost = 0x40;
inline constexpr std::uint8_t kDeviceTypeMask = 0x0F;
inline constexpr std::uint8_t kDeviceTypeKeyboard = 1;
// Device disconnection notice, byte 3.
inline constexpr std::uint8_t kUnpaired = 2;

// The big-endian 16-bit value at p[0], p[1].
constexpr std::uint16_t readBE16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((static_cast<unsigned>(p[0]) << 8) | p[1]);
}

constexpr void writeBE16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v & 0xFF);
}

} // namespace corv::logitech::hidpp
