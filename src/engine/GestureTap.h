#pragma once

// The scroll-and-gesture tap's handler: trackpad gesture events become
// gesture items, looked up in the bindings of the application under the
// cursor; bound gestures and the scrolling that belongs to them are
// swallowed. Main thread.

#include "model/Gesture.h"
#include "platform/EventTaps.h"

#include <cstdint>
#include <optional>

namespace corv::engine {

// Progress units per step of a two-finger swipe, rotation and zoom.
inline constexpr double kSwipeScale = 800;
inline constexpr double kRotationScale = 80;
inline constexpr double kZoomScale = 2;

// Scroll click-through lets the raised window settle this long.
inline constexpr double kScrollClickThroughWait = 0.005;

// A rotation or zoom wins the pinch-or-rotate competition on this count.
inline constexpr std::int64_t kPinchRotateWinCount = 3;

// A held mouse-down is replayed with its up this long after the down.
inline constexpr double kHeldClickUpDelay = 0.02;

// What a dock-swipe motion stands for: the gesture, the direction when the
// progress is above 0 and otherwise, and the factor of the progress.
struct DockSwipeMotionEntry {
    ActGes gesture;
    ActDir positive;
    ActDir negative;
    double scale;
};

// Motions 1 to 4; nothing for any other.
std::optional<DockSwipeMotionEntry> dockSwipeMotion(std::int64_t motion);

// The handler behind gestureTapCallback.
std::optional<platform::Event> gestureTapHandler(platform::TapProxy proxy, std::uint32_t type,
                                                 platform::Event event);

// Ends a multi-shot item under the key that is still In, then drops the key.
void removeGesItem(std::int64_t key);
// Fresh translation, rotation and zoom items for the application at the
// point; the translation item passes when that application binds neither
// two-finger Rotate nor Zoom.
void makePinchRotateItems(platform::Point location);
// No item under the key, or one not started yet, or one that has ended.
bool pinchRotateItemDone(std::int64_t key);
// Clears the three items once the translation has ended and both others are done.
void finishPinchRotateIfDone();
// Ends what is still running of the rotation and zoom items and drops all three.
void clearPinchRotateItems();
// Some active item has left NotYet.
bool anyGesItemStarted();

} // namespace corv::engine
