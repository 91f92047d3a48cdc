#pragma once

// A long report from a known keyboard, taken apart by the feature it belongs
// to: root answers of feature discovery, batteries, platforms, Fn inversion,
// reprogrammable controls and backlight.

#include <cstddef>
#include <cstdint>

namespace corv::logitech {

// Keyboard i's report of `length` bytes. Nothing for a keyboard without stored
// options, or a report of a feature its map does not hold.
void hidppFeatureReport(int keyboard, const std::uint8_t* report, std::size_t length);

} // namespace corv::logitech
