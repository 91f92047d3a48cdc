#pragma once

#include "platform/Point.h"

namespace corv::platform {

// A rectangle in global display coordinates, origin at the top left.
struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    // The left and top edges belong to the rectangle, the right and bottom ones do not.
    bool contains(Point p) const { return p.x >= x && p.x < x + width && p.y >= y && p.y < y + height; }
    bool operator==(const Rect&) const = default;
};

} // namespace corv::platform
