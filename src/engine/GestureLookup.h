#pragma once

// Finds the binding of a trackpad gesture in one profile entry, with the
// binding of the opposite direction and the held modifiers it leaves over.

#include "model/AnApp.h"
#include "model/GesItem.h"
#include "model/Gesture.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <string>

namespace corv::engine {

// Only these kinds get a binding for the opposite direction.
inline constexpr std::array<ActGes, 3> oppositeCapableGestures{ActGes::Swipe, ActGes::Rotate, ActGes::Zoom};

// Actions that come in opposite pairs differing in the lowest bit of the id.
inline constexpr std::array<std::int64_t, 14> pairedActionIds{8, 9, 10, 11, 12, 13, 28, 29, 30, 31, 32, 33, 44, 45};

constexpr bool isOppositeCapable(ActGes g) {
    return std::find(oppositeCapableGestures.begin(), oppositeCapableGestures.end(), g) !=
           oppositeCapableGestures.end();
}

constexpr bool isPairedAction(std::int64_t id) {
    return std::find(pairedActionIds.begin(), pairedActionIds.end(), id) != pairedActionIds.end();
}

// The other member of a pair.
constexpr std::int64_t pairedOpposite(std::int64_t id) { return id ^ 1; }

// Direction of a two-finger swipe from the deltas of its first event: the
// dominant axis wins; equal magnitudes fall to Right, Down or Up.
constexpr ActDir swipeDirection(double dx, double dy) {
    if (dy > dx) return dx < -dy ? ActDir::Left : ActDir::Down;
    return dx >= -dy ? ActDir::Right : ActDir::Up;
}

// Direction of a rotation or zoom from its first value.
constexpr ActDir rotateDirection(double value) { return value > 0 ? ActDir::CCW : ActDir::CW; }
constexpr ActDir zoomDirection(double value) { return value > 0 ? ActDir::Spread : ActDir::Pinch; }

// Among bound modifier masks that are subsets of the held ones: more keys win;
// between equal counts the lower mask wins, whatever the order they are met in.
constexpr bool outranksMask(std::uint64_t candidate, std::uint64_t best) {
    const int c = std::popcount(candidate);
    const int b = std::popcount(best);
    return c > b || (c == b && candidate < best);
}

// Outcome of the subset search: the chosen mask, its bindings by direction
// and the one for the direction asked.
struct SubsetMatch {
    std::uint64_t mask = 0;
    const DirBindings* directions = nullptr;
    const BindAction* binding = nullptr;
};

// The binding for `direction` under the best mask that is a subset of
// `mods`; binding null when none qualifies.
SubsetMatch modifierSubsetSearch(const ModDirBindings& byMask, std::uint64_t mods, ActDir direction);

// The profile entry stored under the key in the shared Apps; null when there is none.
const AnApp* appEntry(const std::string& settingsKey);
// The entry under CurrentApp's settings key; null when there is none.
const AnApp* currentAppEntry();

// Fills target.binding, keyMod, bindingOppo and keyModOppo from the entry
// (null: no entry, so no binding); target.dir is left alone. mods is the
// compact modifier mask. A null target.binding afterwards means unbound.
void findGestureBinding(const AnApp* entry, std::uint64_t fingers, ActGes gesture, std::uint64_t mods,
                        ActDir direction, GesBinding& target);

// The same, in the entry under CurrentApp's settings key.
void findGestureBinding(std::uint64_t fingers, ActGes gesture, std::uint64_t mods, ActDir direction,
                        GesBinding& target);

} // namespace corv::engine
