#pragma once

// Where the current Space stands on a display, the menu-bar display's size
// and the screen under a point.

#include "platform/Displays.h"
#include "platform/Point.h"

#include <cstdint>
#include <optional>

namespace corv::engine {

struct SpacePosition {
    std::int64_t count = 2;
    std::int64_t index = 0;
    bool operator==(const SpacePosition&) const = default;
};

// The Spaces of the display under the point and the current one's index;
// (2, 0) when they cannot be read.
SpacePosition spacePositionAtPoint(platform::Point point);

struct DisplaySize {
    double width = 0;
    double height = 0;
    bool operator==(const DisplaySize&) const = default;
};

// The mode size of the display holding the menu bar; infinite both ways when
// it cannot be told.
DisplaySize menuBarDisplaySize();

// The only screen, else the first whose frame holds the point.
std::optional<platform::Screen> screenContainingPoint(platform::Point point);

} // namespace corv::engine
