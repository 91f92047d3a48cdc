#pragma once

// HID++ 2.0 feature messages: the function, event and parameter numbers of
// every feature the program asks for. The report layout is in HidppReport.h.

#include <cstddef>
#include <cstdint>
#include <span>

namespace corv::logitech {

// The bytes of one received report, byte 0 its report ID.
using ReportBytes = std::span<const std::uint8_t>;

// The byte at `at`, 0 past the end of a short report.
constexpr std::uint8_t byteAt(ReportBytes report, std::size_t at) { return at < report.size() ? report[at] : 0; }

} // namespace corv::logitech

namespace corv::logitech::hidpp20 {

// Feature index of the root feature, which every device has.
inline constexpr std::uint8_t kRootFeatureIndex = 0;

// Byte 3 of a request: function in the high four bits, software id in the low.
constexpr std::uint8_t functionByte(std::uint8_t function, std::uint8_t softwareId) {
    return static_cast<std::uint8_t>((function & 0x0F) << 4 | (softwareId & 0x0F));
}
constexpr std::uint8_t functionOf(std::uint8_t byte3) { return byte3 >> 4; }
constexpr std::uint8_t softwareIdOf(std::uint8_t byte3) { return byte3 & 0x0F; }

// Root (index 0): the index of a feature id given in bytes 4 and 5; byte 4 of
// the answer is the index, 0 when the device lacks the feature.
namespace root {
inline constexpr std::uint8_t kGetFeature = 0;
inline constexpr std::size_t kFeatureIdByte = 4;  // big-endian feature id
inline constexpr std::size_t kIndexByte = 4;      // in the answer
} // namespace root

// 0x1000 battery level and status.
namespace battery {
inline constexpr std::uint8_t kGetLevel = 0;
inline constexpr std::size_t kLevelByte = 4;
inline constexpr std::size_t kStatusByte = 6;
inline constexpr int kFullLevel = 100;
} // namespace battery

// 0x1001 battery voltage.
namespace voltage {
inline constexpr std::uint8_t kGetVoltage = 0;
inline constexpr std::size_t kMillivoltsByte = 4;  // big-endian
inline constexpr std::size_t kFlagsByte = 6;
inline constexpr std::uint8_t kChargingFlag = 0x80;
inline constexpr std::uint8_t kChargeCompleteFlag = 0x20;
inline constexpr std::uint8_t kChargeStateMask = 0x07;
} // namespace voltage

// 0x1004 unified battery.
namespace unifiedBattery {
inline constexpr std::uint8_t kGetStatus = 1;
inline constexpr std::size_t kLevelByte = 4;
inline constexpr std::size_t kChargingByte = 6;
} // namespace unifiedBattery

// 0x4531 multi-platform.
namespace platforms {
inline constexpr std::uint8_t kGetInfo = 0;
inline constexpr std::uint8_t kGetDescriptor = 1;
inline constexpr std::uint8_t kSetHostPlatform = 3;
// Information answer.
inline constexpr std::size_t kCapsByte = 4;
inline constexpr std::uint8_t kCanChangeFlag = 0x02;
inline constexpr std::size_t kCountByte = 7;
inline constexpr std::size_t kCurrChannelByte = 9;
inline constexpr std::size_t kCurrPlatformByte = 10;
// Descriptor request and answer.
inline constexpr std::size_t kDescriptorRequestByte = 4;
inline constexpr std::size_t kIndexByte = 4;
inline constexpr std::size_t kDescByte = 5;
inline constexpr std::size_t kOsMaskByte = 6;
// Set-host request.
inline constexpr std::size_t kHostChannelByte = 4;
inline constexpr std::size_t kHostPlatformByte = 5;
// The platform the program switches a keyboard to.
inline constexpr std::uint8_t kMacOsMask = 0x20;
} // namespace platforms

// 0x40A2 Fn inversion.
namespace fnInversion {
inline constexpr std::uint8_t kGet = 0;
inline constexpr std::uint8_t kSet = 1;
inline constexpr std::size_t kStateByte = 4;
} // namespace fnInversion

// 0x40A3 Fn inversion of multi-host keyboards.
namespace fnInversionMultiHost {
inline constexpr std::uint8_t kGet = 0;
inline constexpr std::uint8_t kSet = 1;
inline constexpr std::size_t kHostByte = 4;
inline constexpr std::uint8_t kCurrentHost = 0xFF;
inline constexpr std::size_t kStateByte = 5;
} // namespace fnInversionMultiHost

// 0x1982 backlight.
namespace backlight {
inline constexpr std::uint8_t kGetConfig = 0;
inline constexpr std::uint8_t kSetConfig = 1;
inline constexpr std::uint8_t kGetInfo = 2;
} // namespace backlight

// 0x1B04 reprogrammable controls.
namespace controls {
inline constexpr std::uint8_t kGetCount = 0;
inline constexpr std::uint8_t kGetInfo = 1;
inline constexpr std::uint8_t kSetReporting = 3;
inline constexpr std::uint8_t kDivertedEvent = 0;
inline constexpr std::size_t kCountByte = 4;
inline constexpr std::size_t kInfoRequestByte = 4;
// Control information answer.
inline constexpr std::size_t kControlIdByte = 4;  // big-endian
inline constexpr std::size_t kFlagsByte = 8;
// Divert request.
inline constexpr std::size_t kDivertControlByte = 4;  // big-endian
inline constexpr std::size_t kDivertModeByte = 6;
inline constexpr std::size_t kRemapControlByte = 7;  // big-endian
inline constexpr std::uint8_t kDivert = 3;
inline constexpr std::uint8_t kNoDivert = 2;
inline constexpr std::uint8_t kDivertableFlags = 0x30;
} // namespace controls

} // namespace corv::logitech::hidpp20
