#pragma once

// What the device layer calls in its neighbours: the engine's key release and
// keyboard HID manager, and the HID++ 2.0 side of a keyboard. Each goes to its
// owner unless a hook stands in for it.

#include <cstddef>
#include <cstdint>
#include <functional>

namespace corv::logitech {

struct LogiHooks {
    static LogiHooks& shared();

    // Releases the actions of the controls held on keyboard k and empties its
    // keyState.
    std::function<void(int k)> releaseHeldLogiKeys;
    // (Re)starts the engine's keyboard HID manager.
    std::function<void()> startKeyboardHidManager;
    // Feature handling of a report from keyboard k.
    std::function<void(int k, const std::uint8_t* report, std::size_t length)> keyboardReport;
    // Finds keyboard k's features and applies its settings; calls done with 0
    // on success, another code on failure.
    std::function<void(int k, std::function<void(int)> done)> discoverHidppFeatures;
};

void releaseHeldLogiKeys(int k);
void startKeyboardHidManager();

} // namespace corv::logitech
