#pragma once

// The host platforms of a multi-platform keyboard (feature 0x4531).

#include "logitech/Hidpp20.h"
#include "model/LogiKeyOpt.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace corv::logitech {

// The information answer (function 0) and the platform-change events.
struct PlatformInfo {
    bool canChangePlatform = false;
    std::uint8_t platformCount = 0;
    std::uint8_t currChannel = 0;
    std::uint8_t currPlatform = 0;
    bool operator==(const PlatformInfo&) const = default;
};
PlatformInfo decodePlatformInfo(ReportBytes report);

// A descriptor answer (function 1): byte 5 is its position. It is appended
// when the list does not yet reach that position; true when appended.
bool addPlatformDescriptor(std::vector<LogiPlatform>& list, ReportBytes report);

// The platform index to switch to: the first with the macOS mask exactly, when
// the current platform is listed and its mask is not exactly that.
std::optional<std::uint8_t> platformToSwitchTo(const std::vector<LogiPlatform>& list, std::uint8_t currPlatform);

} // namespace corv::logitech
