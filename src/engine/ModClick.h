#pragma once

// "Mod Clicks": a mouse click with modifiers held, or the modifiers alone;
// and the repeated clicks of double and triple clicks. Main thread.

#include "platform/Event.h"

#include <cstdint>
#include <optional>

namespace corv::engine {

// Mouse event types and button number of a click number (1 left, 2 right,
// 3 and above other).
struct ClickTypes {
    std::uint32_t down;
    std::uint32_t up;
    std::uint32_t dragged;
    std::uint64_t button;
};
ClickTypes clickTypes(std::uint16_t click);

// The button held down by a "Mod Clicks" press; all 0 when none.
struct HeldClick {
    std::uint32_t heldMouseDragType = 0;
    std::uint64_t heldMouseButton = 0;
    std::uint64_t heldMouseFlags = 0;

    static HeldClick& shared();
};

enum class ClickPhase : std::int64_t { Click = 0, Press = 1, Release = 2 };

// A modified click (phase 0), press (1) or release (2, and any other value).
// Click 0 announces the modifiers alone through the modifier marker.
void postModClick(std::uint64_t mods, std::uint64_t extraMods, std::uint16_t click, std::int64_t phase,
                  bool clickThrough);

// Down at (x, y), then up, with the flags; the modifier release follows on
// the main queue.
void postClickPair(std::uint32_t downType, std::uint16_t click, std::uint64_t flags, std::uint32_t upType,
                   double x, double y);
// A mouse event with the held click's flags.
void postHeldMouseEvent(std::uint32_t type, std::uint16_t click, double x, double y);
// The event again as a left down and up with the click state.
void repostClick(std::optional<platform::Event> event, std::int64_t clickState);
// The second click now and the third 0.05 s later.
void postTripleClickTail(std::optional<platform::Event> event);

inline constexpr double kTripleClickDelay = 0.05;

} // namespace corv::engine
