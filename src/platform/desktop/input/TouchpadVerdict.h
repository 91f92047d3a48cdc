#pragma once

// The taps' answers on a touchpad's gesture events, turned into the verdict
// that tells the hold what to do with the frames it keeps. A gesture is
// decided by the answer on its began event (or on a tap), except a pinch or
// rotation whose began the taps swallow while they weigh the one against the
// other: that one is decided by the answer on its third value.

#include "platform/Event.h"
#include "platform/desktop/input/TouchpadHold.h"

namespace corv::desktop {

class TouchpadVerdict {
public:
    // The value of a pinch or rotation whose answer decides it.
    static constexpr int kDecidingValue = 3;

    // One gesture event of the frame, and whether the taps let it pass.
    void answered(const platform::Event& event, bool passed);
    // The verdict on the frame's events so far; the next frame starts afresh.
    TouchpadHold::Verdict take();
    // A pinch or rotation is under way whose deciding answer is still to come.
    bool weighing() const { return weighing_; }

private:
    void decide(bool passed);

    TouchpadHold::Verdict verdict_ = TouchpadHold::Verdict::NoGesture;
    bool weighing_ = false;
    int values_ = 0;
};

} // namespace corv::desktop
