#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace corv::logitech {

// Backlight effect name (as the backlight picker shows it) -> code sent to the
// keyboard. Code 1 has no name.
const std::vector<std::pair<std::string, std::uint8_t>>& backlightEffectCodes();

} // namespace corv::logitech
