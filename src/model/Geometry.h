#pragma once

#include "platform/Point.h"

namespace corv {

// A point in global display coordinates, origin at the top left.
using Point = platform::Point;

} // namespace corv
