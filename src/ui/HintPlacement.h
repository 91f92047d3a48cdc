#pragma once

// Where the hint panel goes beside the pointer.

#include "platform/Point.h"
#include "platform/Rect.h"

#include <vector>

namespace corv::ui {

struct HintSize {
    double width = 0;
    double height = 0;
};

// The panel's top-left corner (y downwards): above the pointer with its right
// edge 10 points left of it; on the pointer's screen it moves right of the
// pointer near the left edge, stays 10 points inside the right edge, and drops
// below the control (`anchorHeight`) near the top. Unadjusted when the pointer
// is on no screen.
platform::Point placeHint(platform::Point pointer, HintSize panel, double anchorHeight,
                          const std::vector<platform::Rect>& screens);

} // namespace corv::ui
