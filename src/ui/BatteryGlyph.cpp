#include "ui/BatteryGlyph.h"

namespace corv::ui {

BatteryGlyph batteryGlyph(std::int64_t batt) {
    const int level = static_cast<int>(static_cast<std::uint64_t>(batt) & 0xFF);
    const std::string text = std::to_string(level) + "%";
    if (batt >= 256 && batt <= 511) return {"battery.100.bolt", BatteryTone::Green, text};
    if (level >= 88) return {"battery.100", BatteryTone::Green, text};
    if (level >= 63) return {"battery.75", BatteryTone::Green, text};
    if (level >= 38) return {"battery.50", BatteryTone::Green, text};
    if (level < 13) return {"battery.0", BatteryTone::Red, text};
    return {"battery.25", BatteryTone::Yellow, text};
}

} // namespace corv::ui
