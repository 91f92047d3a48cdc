#pragma once

// The gesture recorder: while the trackpad tab shows, the gesture-capture tap
// drops every gesture and dock-control event, works out one gesture from an
// Apple trackpad's events, adds a binding for it when the selected
// application has none, and highlights its row.

#include "model/Gesture.h"
#include "platform/Event.h"

#include <cstdint>
#include <map>
#include <optional>

namespace corv::recorders {

class PadRecState {
public:
    static PadRecState& shared();

    // A rotation, zoom, two-finger scroll or press is in progress.
    bool inGes = false;
    // Finger count at the start of the pending press; 0: none.
    std::uint64_t gesFCnt = 0;
    // Deepest pressure stage of the current press.
    std::int64_t maxDepth = 0;
    // Per HID event type (5 rotation, 8 zoom): began and changed events so far,
    // and the direction its first event fixed.
    std::map<std::int64_t, std::int64_t> rzCount;
    std::map<std::int64_t, ActDir> rzDir;
    // The type that won the rotate-or-zoom vote; 0 while undecided.
    std::int64_t rzWon = 0;
};

// Always nothing: every event is dropped.
std::optional<platform::Event> gestureRecorderTapCallback(std::uint32_t type, const platform::Event& event);

// The tap of a dock-control tap event, taken after the fingers' count settled.
void recordTapGesture(std::uint64_t mod);

// Adds the binding when missing and highlights the gesture's row. Ignored for
// 0 fingers, and when the selected application's entry (or, for an
// application, the global profile's) is gone.
void recordGesture(std::uint64_t fgr, ActGes ges, std::uint64_t mod, ActDir dir);

} // namespace corv::recorders
