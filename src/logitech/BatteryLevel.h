#pragma once

// Battery values from the answers and events of the three battery features.
// A value holds the level in percent in its low byte and a charging status in
// its second byte.

#include "logitech/Hidpp20.h"

#include <array>
#include <cstdint>

namespace corv::logitech {

// Voltages in millivolts, strictly falling: above entry n the level is 100 - n.
extern const std::array<std::uint16_t, 100> kVoltageThresholds;

// Battery level (0x1000). A report with level 0 and a status keeps the level of
// the stored value (-1 counting as 0) and puts the status into the second byte;
// otherwise the level, at most 100, without status.
int batteryFromLevelReply(int storedBattery, ReportBytes report);

// Battery voltage (0x1001): the level from the threshold table, the status code
// 1, 3, 7, 9 or 10 from the flags.
int batteryFromVoltageReply(ReportBytes report);

// Unified battery (0x1004): level and charging status as they come.
int batteryFromUnifiedReply(ReportBytes report);

} // namespace corv::logitech
