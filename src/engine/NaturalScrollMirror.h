#pragma once

// UIState.naturalScroll, readable from any thread (the display-link thread
// posts dock swipes too). First use on the main thread; it follows the field
// from then on.

#include "model/Observable.h"

#include <atomic>
#include <mutex>

namespace corv::engine {

class NaturalScrollMirror {
public:
    static NaturalScrollMirror& shared();

    bool get() const { return value_.load(); }

private:
    void follow();

    std::atomic<bool> value_{true};
    std::once_flag following_;
    Subscription subscription_;
};

} // namespace corv::engine
