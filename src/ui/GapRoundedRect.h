#pragma once

// A rounded rectangle with smooth corners whose top edge leaves a gap open
// (for a section's title), and where a titled frame draws it.

#include "platform/Point.h"
#include "platform/Rect.h"

#include <vector>

namespace corv::ui {

struct PathStep {
    enum Kind { Move, Line, Curve } kind;
    platform::Point to;
    platform::Point c1{}, c2{};  // control points of a curve
};

// The open outline in a W × H box from the origin: it starts at the gap's
// right end, runs clockwise round the corners and stops at its left end.
std::vector<PathStep> gapRoundedRectPath(double width, double height, double cornerRadius, double gapStart,
                                         double gapWidth);

// The corner's reach along each edge for a requested radius.
double cornerReach(double width, double height, double cornerRadius);

// Where a titled section's outline lies, in the section's coordinates, and
// where its gap starts in the outline's own coordinates.
struct OutlineGeometry {
    platform::Rect frame;
    double gapStart = 0;
    double gapWidth = 0;
};
OutlineGeometry outlineGeometry(double sectionWidth, double sectionHeight, const platform::Rect& titleRect,
                                double yOffset, double horiPadding = 10, double vertPadding = 10);

} // namespace corv::ui
