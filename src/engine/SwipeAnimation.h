#pragma once

// The one dock swipe the program runs at a time: started by an action or by
// the user's fingers, carried frame by frame by the display link.

#include "engine/RelaxedAtomic.h"
#include "platform/DisplayLink.h"

#include <cstdint>

namespace corv::engine {

// Shared by the main thread and the display-link thread; each field is read
// and written whole, a torn record only affects one frame.
struct SwipeAnim {
    static SwipeAnim& shared();

    // Spaces of the display under the cursor, and the index of the current one.
    RelaxedAtomic<std::int64_t> spaceCount{1};
    RelaxedAtomic<std::int64_t> spaceIndex{0};
    // The user's fingers drive the swipe.
    RelaxedAtomic<bool> held{false};
    // Last change of pos made by the fingers.
    RelaxedAtomic<double> lastDelta{0.0};
    // Position as a fraction of target.
    RelaxedAtomic<double> pos{0.0};
    // Signed distance from pos to goal at the last (re)start; scales the step.
    RelaxedAtomic<double> remaining{0.0};
    // 1 completes the swipe, 0 cancels it.
    RelaxedAtomic<double> goal{0.0};
    // The progress that pos = 1 stands for.
    RelaxedAtomic<double> target{0.0};
    // 1 left/right, 2 down/up, 3 pinch.
    RelaxedAtomic<std::int64_t> motion{0};
    // Multiplier of the frame step; 1 at every (re)start.
    RelaxedAtomic<double> decay{1.0};
};

inline SwipeAnim& swipeAnim() { return SwipeAnim::shared(); }

// Dock-swipe motions.
namespace SwipeMotion {
inline constexpr std::int64_t Horizontal = 1;
inline constexpr std::int64_t Vertical = 2;
inline constexpr std::int64_t Pinch = 3;
} // namespace SwipeMotion

// The link keeps running this long after the last frame with work.
inline constexpr double kLinkIdleStop = 0.6;

// Starts a triggered swipe on a later turn of the main queue.
void triggerDockSwipe(std::int64_t motion, std::int64_t direction);

// Starts a triggered swipe, or extends or reverses a running horizontal one.
// Main thread.
void startDockSwipeAnimation(std::int64_t motion, std::int64_t direction);

// One frame of the animation, on the display link's thread. Returns 0.
std::int32_t displayLinkTick(platform::DisplayLinkRef link, std::uint64_t hostTime);

// Posts the running swipe's closing event as its last frame would, at its
// goal, and clears the animation flag; a swipe the fingers hold is
// cancelled. For when no display link can carry the swipe.
void finishSwipeAtOnce();

} // namespace corv::engine
