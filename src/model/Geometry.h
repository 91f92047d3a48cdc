#pragma once

namespace corv {

// A point in screen coordinates.
struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

} // namespace corv
