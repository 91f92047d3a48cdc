#pragma once

// The click tap's handler: trackpad mouse-downs that may become a bound
// click or deep click are parked in the force-click item until the gesture
// tap decides; click-through raises the window under the cursor first; ups
// pass only after a down that passed. Main thread.

#include "platform/EventTaps.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace corv::engine {

// A held mouse-down is replayed once the finger moves this far.
inline constexpr double kHeldClickMoveThreshold = 5.0;
// Click-through into Apple's applications waits this long for the window.
inline constexpr double kAppleClickThroughWait = 0.015;

struct ClickTapState {
    // A left (right) mouse-down was let through and its up has not come yet.
    bool leftDownPassed = false;
    bool rightDownPassed = false;
    // A let-through left down is waiting for an Apple application's window;
    // its drags and up, should they come meanwhile, are held and delivered
    // after it by the down's handler.
    bool leftDownWaiting = false;
    std::vector<platform::Event> dragsWhileWaiting;

    static ClickTapState& shared();
};

// The handler behind clickTapCallback.
std::optional<platform::Event> clickTapHandler(platform::TapProxy proxy, std::uint32_t type, platform::Event event);

} // namespace corv::engine
