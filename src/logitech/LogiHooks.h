#pragma once

// What the device layer calls in its neighbours: the HID++ 2.0 side of a
// keyboard, set once at start by its owner (an unset hook does the least that
// keeps the lists consistent), and the engine's key release and keyboard HID
// manager, called directly.

#include "engine/KeyboardHidManager.h"
#include "engine/LogiKeyActions.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace corv::logitech {

struct LogiHooks {
    static LogiHooks& shared();

    // Feature handling of a report from keyboard k.
    std::function<void(int k, const std::uint8_t* report, std::size_t length)> keyboardReport;
    // Finds keyboard k's features and applies its settings; calls done with 0
    // on success, another code on failure.
    std::function<void(int k, std::function<void(int)> done)> discoverHidppFeatures;
};

using engine::releaseHeldLogiKeys;
using engine::startKeyboardHidManager;

} // namespace corv::logitech
