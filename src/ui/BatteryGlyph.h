#pragma once

// What the battery icon shows for a packed level: bits 0–7 the charge in
// percent, the bits above exactly 1 while charging.

#include <cstdint>
#include <string>

namespace corv::ui {

enum class BatteryTone { Green, Yellow, Red };

struct BatteryGlyph {
    std::string symbol;
    BatteryTone tone;
    std::string text;
    bool operator==(const BatteryGlyph&) const = default;
};

BatteryGlyph batteryGlyph(std::int64_t batt);

} // namespace corv::ui
