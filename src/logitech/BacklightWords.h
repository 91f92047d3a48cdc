#pragma once

// The backlight words of a keyboard and what the backlight feature's
// configuration and information answers make of them.
//
// backLight: bit 0 on or off, bits 8 to 15 and 16 to 23 from configuration
// answer bytes 5 and 7. backLightOptions: information bytes 4, 5 (the level,
// or configuration byte 9), 6 and 7 (the effect code).

#include "logitech/Hidpp20.h"

#include <array>
#include <cstdint>

namespace corv::logitech {

struct BacklightWords {
    std::uint64_t backLight = 0;
    std::uint64_t backLightOptions = 0;
    bool operator==(const BacklightWords&) const = default;
};

// What the keyboard reports (shown) beside the user's setting (stored).
struct BacklightPair {
    BacklightWords shown;
    BacklightWords setting;
    bool operator==(const BacklightPair&) const = default;
};

inline constexpr std::size_t kBacklightConfigParamCount = 12;

// Parameter bytes 4 to 15 of the set-configuration request for a setting: on
// or off, the bits 8 to 15 of backLight, the effect (0xFF while off), the
// level, then the fixed timings 10, 0, 10, 0, 60, 0, 10, 0.
std::array<std::uint8_t, kBacklightConfigParamCount> backlightConfigParams(const BacklightWords& setting);

// A configuration answer (function 0).
BacklightPair applyBacklightConfig(BacklightPair words, ReportBytes report);

// The keyboard's on/off in a configuration answer differs from the user's switch.
bool backlightSwitchDiffers(const BacklightWords& setting, ReportBytes report);

// An information answer (function 2) or a backlight event.
BacklightPair applyBacklightInfo(BacklightPair words, ReportBytes report);

} // namespace corv::logitech
