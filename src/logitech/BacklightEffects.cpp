#include "logitech/BacklightEffects.h"

namespace corv::logitech {

const std::vector<std::pair<std::string, std::uint8_t>>& backlightEffectCodes() {
    static const std::vector<std::pair<std::string, std::uint8_t>> table{
        {"Static", 0}, {"Breathing", 2}, {"Contrast", 3}, {"Reaction", 4}, {"Random", 5}, {"Waves", 6},
    };
    return table;
}

} // namespace corv::logitech
