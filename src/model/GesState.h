#pragma once

// The gesture engine's finger count and scroll flags.

#include "model/Geometry.h"

#include <atomic>
#include <cstdint>

namespace corv {

class GesState {
public:
    static GesState& shared();

    // Fingers in the latest touch frame; written on the multitouch thread.
    std::atomic<std::uint64_t> fcnt{0};
    // Drop scroll-wheel events, but the phases of a scroll already begun.
    bool preventE22 = false;
    // Drop scroll-wheel events until a scroll begins anew.
    bool inertia = false;
    // A scroll-wheel scroll has begun and not yet ended.
    bool e22Began = false;
    // Cursor position at the start of a zoom-family gesture.
    Point loc;
};

} // namespace corv
