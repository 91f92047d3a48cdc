#include "platform/desktop/input/TouchpadVerdict.h"

namespace corv::desktop {

namespace eventType = platform::eventType;
namespace field = platform::field;
namespace gestureSubtype = platform::gestureSubtype;
namespace gesturePhase = platform::gesturePhase;

namespace {
// The dock-swipe motion of a finger-counted tap: it begins and ends at once.
constexpr std::int64_t kTapMotion = 5;
} // namespace

void TouchpadVerdict::answered(const platform::Event& event, bool passed) {
    const std::int64_t sub = event.integerField(field::GestureSubtype);
    const std::int64_t phase = event.integerField(field::GesturePhase);
    const bool pinchOrRotate = event.type() == eventType::Gesture &&
                               (sub == gestureSubtype::Translation || sub == gestureSubtype::Rotation ||
                                sub == gestureSubtype::Zoom);
    if (!pinchOrRotate) {
        const bool tap = event.type() == eventType::DockControl &&
                         event.integerField(field::DockSwipeMotion) == kTapMotion;
        if (phase == gesturePhase::Began || tap) decide(passed);
        return;
    }
    if (phase == gesturePhase::Ended || phase == gesturePhase::Cancelled) {
        weighing_ = false;
        return;
    }
    if (sub == gestureSubtype::Translation) {
        if (phase != gesturePhase::Began) return;
        values_ = 0;
        weighing_ = !passed;
        if (passed) decide(true);
        return;
    }
    if (!weighing_) {
        if (phase == gesturePhase::Began) decide(passed);
        return;
    }
    if (++values_ == kDecidingValue) {
        weighing_ = false;
        decide(passed);
    }
}

void TouchpadVerdict::decide(bool passed) {
    if (!passed) verdict_ = TouchpadHold::Verdict::Swallowed;
    else if (verdict_ == TouchpadHold::Verdict::NoGesture) verdict_ = TouchpadHold::Verdict::Passed;
}

TouchpadHold::Verdict TouchpadVerdict::take() {
    const auto v = verdict_;
    verdict_ = TouchpadHold::Verdict::NoGesture;
    return v;
}

} // namespace corv::desktop
