#pragma once

namespace corv::platform {

// A point in global display coordinates, origin at the top left.
struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

} // namespace corv::platform
