#pragma once

// Synthetic gesture events of the window server: the dock swipe (with its
// trailer of private HID event data) and the navigation swipe.

#include "platform/Bytes.h"
#include "platform/Event.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace corv::engine {

// The bytes appended to a serialised dock-swipe event: the body length
// (big-endian), 0x10 0x6D, then the body (68 bytes, or 96 when the phase is
// ended or cancelled and the velocity block follows).
Bytes dockSwipeTrailer(std::int64_t motion, std::int64_t phase, double progress, double velocity,
                       bool naturalScroll);

// The dock-swipe event as it is posted; nothing when it cannot be made.
std::optional<platform::Event> makeDockSwipeEvent(std::int64_t motion, std::int64_t phase, double progress,
                                                  double velocity, bool naturalScroll);

// Builds and posts one dock-swipe event at the session. Motion 1 to 3, phase
// 1, 2, 4 or 8; the velocity counts only for phases 4 and 8. Any thread.
void postDockSwipeEvent(std::int64_t motion, std::int64_t phase, double progress, double velocity);

// A back (4) or forward (8) navigation swipe: a began event on a later turn
// of the main queue, then the ended event on a turn after that.
void postNavigationSwipe(std::int64_t direction);
// The main-queue step of the navigation swipe.
void postGestureEventPair(std::shared_ptr<platform::Event> event, std::int64_t direction);

} // namespace corv::engine
