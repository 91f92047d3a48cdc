#include "platform/desktop/input/TouchpadGestures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace corv::desktop {

using platform::Event;
namespace eventType = platform::eventType;
namespace field = platform::field;
namespace gestureSubtype = platform::gestureSubtype;
namespace gesturePhase = platform::gesturePhase;

namespace {

using namespace touchpadThreshold;

// The dock-swipe motion of a finger-counted tap.
constexpr std::int64_t kTapMotion = 5;
// Dock-swipe progress 1 is a travel across this share of the surface.
constexpr double kDockSwipeSpan = 0.5;

double span(const AxisRange& a) { return std::max(1.0, static_cast<double>(a.maximum) - a.minimum); }

double normalised(int value, const AxisRange& a) {
    return std::clamp((static_cast<double>(value) - a.minimum) / span(a), 0.0, 1.0);
}

double sizeMm(const AxisRange& a, double fallback) {
    if (a.resolution <= 0) return fallback;
    return span(a) / a.resolution;
}

double distance(double x0, double y0, double x1, double y1) { return std::hypot(x1 - x0, y1 - y0); }

// The signed difference of two angles in degrees, within (-180, 180].
double angleDelta(double from, double to) {
    double d = std::remainder(to - from, 360.0);
    if (d <= -180.0) d += 360.0;
    return d;
}

int toolFingers(std::uint16_t code) {
    switch (code) {
    case BTN_TOOL_FINGER: return 1;
    case BTN_TOOL_DOUBLETAP: return 2;
    case BTN_TOOL_TRIPLETAP: return 3;
    case BTN_TOOL_QUADTAP: return 4;
    case BTN_TOOL_QUINTTAP: return 5;
    default: return 0;
    }
}

std::uint64_t eventTimeNs(const input_event& ev) {
    return static_cast<std::uint64_t>(ev.input_event_sec) * 1'000'000'000ULL +
           static_cast<std::uint64_t>(ev.input_event_usec) * 1'000ULL;
}

} // namespace

TouchpadGestures::TouchpadGestures(const TouchpadAxes& axes)
    : axes_(axes),
      widthMm_(sizeMm(axes.x, kDefaultWidthMm)),
      heightMm_(sizeMm(axes.y, kDefaultHeightMm)),
      slots_(static_cast<std::size_t>(std::clamp(axes.slotCount, 1, 16))) {}

std::vector<TouchpadReport> TouchpadGestures::feed(std::span<const input_event> events) {
    std::vector<TouchpadReport> reports;
    for (const input_event& ev : events) {
        if (ev.type == EV_ABS) {
            if (ev.code == ABS_MT_SLOT) {
                currentSlot_ = ev.value;
                continue;
            }
            if (currentSlot_ < 0 || currentSlot_ >= static_cast<int>(slots_.size())) continue;
            Slot& s = slots_[static_cast<std::size_t>(currentSlot_)];
            switch (ev.code) {
            case ABS_MT_TRACKING_ID:
                if (ev.value < 0) {
                    s = Slot{};
                } else {
                    if (s.trackingId != ev.value) firstSeen_[static_cast<std::size_t>(currentSlot_)].reset();
                    s.trackingId = ev.value;
                }
                break;
            case ABS_MT_POSITION_X: s.x = ev.value; break;
            case ABS_MT_POSITION_Y: s.y = ev.value; break;
            case ABS_MT_PRESSURE: s.pressure = ev.value; break;
            case ABS_MT_TOUCH_MAJOR: s.major = ev.value; break;
            default: break;
            }
        } else if (ev.type == EV_KEY) {
            if (ev.code == BTN_LEFT) {
                buttonDown_ = ev.value != 0;
            } else if (const int n = toolFingers(ev.code); n != 0) {
                if (ev.value != 0) toolCount_ = n;
                else if (toolCount_ == n) toolCount_ = 0;
            }
        } else if (ev.type == EV_SYN && ev.code == SYN_REPORT) {
            TouchpadReport& report = reports.emplace_back();
            syn(eventTimeNs(ev), report);
        }
    }
    return reports;
}

std::vector<Event> TouchpadGestures::reset(std::uint64_t timeNs) {
    now_ = timeNs;
    std::vector<Event> out;
    endGesture(out);
    if (pressStage_ != 0) press(false, std::nullopt, out);
    for (Slot& s : slots_) s = Slot{};
    firstSeen_ = {};
    buttonDown_ = false;
    reportedButton_ = false;
    toolCount_ = 0;
    lastCount_ = 0;
    gestureFingers_ = 0;
    kind_ = Kind::None;
    return out;
}

TouchFrame TouchpadGestures::frameAt(std::uint64_t timeNs) const {
    TouchFrame frame;
    frame.timeNs = timeNs;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        const Slot& s = slots_[i];
        if (s.trackingId < 0) continue;
        Contact c;
        c.slot = static_cast<int>(i);
        c.trackingId = s.trackingId;
        c.x = normalised(s.x, axes_.x);
        c.y = normalised(s.y, axes_.y);
        if (axes_.pressure && s.pressure) c.pressure = normalised(*s.pressure, *axes_.pressure);
        if (axes_.touchMajor && s.major) c.size = normalised(*s.major, *axes_.touchMajor);
        frame.contacts.push_back(c);
    }
    frame.fingerCount = std::max(static_cast<int>(frame.contacts.size()), toolCount_);
    return frame;
}

std::vector<TouchpadGestures::Point2> TouchpadGestures::fingersMm() const {
    std::vector<Point2> out;
    for (const Slot& s : slots_) {
        if (s.trackingId < 0) continue;
        out.push_back({normalised(s.x, axes_.x) * widthMm_, normalised(s.y, axes_.y) * heightMm_});
    }
    return out;
}

namespace {

struct Shape {
    double cx = 0;
    double cy = 0;
    double spread = 0;  // mean distance from the centre
    double angle = 0;   // degrees, of the first two fingers
};

template <typename P>
Shape shapeOf(const std::vector<P>& f) {
    Shape s;
    if (f.empty()) return s;
    for (const P& p : f) {
        s.cx += p.x;
        s.cy += p.y;
    }
    s.cx /= static_cast<double>(f.size());
    s.cy /= static_cast<double>(f.size());
    for (const P& p : f) s.spread += distance(s.cx, s.cy, p.x, p.y);
    s.spread /= static_cast<double>(f.size());
    if (f.size() >= 2) s.angle = std::atan2(f[1].y - f[0].y, f[1].x - f[0].x) * 180.0 / std::numbers::pi;
    return s;
}

} // namespace

void TouchpadGestures::syn(std::uint64_t timeNs, TouchpadReport& out) {
    now_ = timeNs;
    out.frame = frameAt(timeNs);
    const int count = out.frame.fingerCount;

    if (lastCount_ == 0 && count > 0) {
        sequenceStart_ = timeNs;
        sequenceMaxFingers_ = 0;
        sequenceTravel_ = 0;
        sequenceHadGesture_ = false;
        sequenceHadPress_ = false;
    }
    sequenceMaxFingers_ = std::max(sequenceMaxFingers_, count);
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        const Slot& s = slots_[i];
        if (s.trackingId < 0) continue;
        const Point2 p{normalised(s.x, axes_.x) * widthMm_, normalised(s.y, axes_.y) * heightMm_};
        if (!firstSeen_[i]) firstSeen_[i] = p;
        sequenceTravel_ = std::max(sequenceTravel_, distance(firstSeen_[i]->x, firstSeen_[i]->y, p.x, p.y));
    }

    std::optional<double> pressure;
    for (const Contact& c : out.frame.contacts)
        if (c.pressure) pressure = std::max(pressure.value_or(0.0), *c.pressure);
    if (buttonDown_ || reportedButton_) press(buttonDown_, pressure, out.events);

    const std::vector<Point2> fingers = fingersMm();
    if (count != gestureFingers_) {
        endGesture(out.events);
        gestureFingers_ = count;
        kind_ = count >= 2 ? Kind::Undecided : Kind::None;
        startBaseline(fingers);
    } else if (buttonDown_) {
        // A press with fingers down is a click or a drag, never a gesture.
        startBaseline(fingers);
    } else if (kind_ == Kind::Undecided) {
        decide(fingers, out.events);
    } else if (kind_ != Kind::None) {
        track(fingers, out.events);
    }

    if (count == 0 && lastCount_ > 0 && !sequenceHadGesture_ && !sequenceHadPress_ &&
        sequenceMaxFingers_ >= kTapMinFingers && timeNs - sequenceStart_ <= kTapMaxNs &&
        sequenceTravel_ <= kTapMaxTravel) {
        Event tap = gestureEvent(eventType::DockControl, gestureSubtype::DockSwipe, gesturePhase::Ended);
        tap.setIntegerField(field::DockSwipeMotion, kTapMotion);
        out.events.push_back(tap);
    }
    lastCount_ = count;
    lastFrameNs_ = timeNs;
}

void TouchpadGestures::startBaseline(const std::vector<Point2>& fingers) {
    const Shape s = shapeOf(fingers);
    startCentre_ = lastCentre_ = {s.cx, s.cy};
    startSpread_ = lastSpread_ = s.spread;
    startAngle_ = lastAngle_ = s.angle;
}

void TouchpadGestures::decide(const std::vector<Point2>& fingers, std::vector<Event>& out) {
    if (fingers.size() < 2) return;
    const Shape s = shapeOf(fingers);
    const double move = distance(startCentre_.x, startCentre_.y, s.cx, s.cy);

    if (gestureFingers_ == 2) {
        // Spread is half the distance between the two fingers.
        const double pinch = std::abs(2.0 * (s.spread - startSpread_));
        const double turn = std::abs(angleDelta(startAngle_, s.angle));
        if (pinch >= kPinchStart || turn >= kRotateStartDegrees) {
            kind_ = Kind::PinchRotate;
            zooming_ = pinch / kPinchStart >= turn / kRotateStartDegrees;
            out.push_back(gestureEvent(eventType::Gesture, gestureSubtype::Translation, gesturePhase::Began));
            Event e = gestureEvent(eventType::Gesture, zooming_ ? gestureSubtype::Zoom : gestureSubtype::Rotation,
                                   gesturePhase::Began);
            if (zooming_)
                e.setDoubleField(field::ZoomValue, startSpread_ > 0 ? s.spread / startSpread_ - 1.0 : 0.0);
            else
                e.setDoubleField(field::RotationValue, -angleDelta(startAngle_, s.angle));
            out.push_back(e);
        } else if (move >= kScrollStart) {
            kind_ = Kind::Scroll;
            Event e = gestureEvent(eventType::Gesture, gestureSubtype::Scroll, gesturePhase::Began);
            e.setDoubleField(field::ScrollGestureDeltaX, (s.cx - startCentre_.x) * kScrollPointsPerMm);
            e.setDoubleField(field::ScrollGestureDeltaY, (s.cy - startCentre_.y) * kScrollPointsPerMm);
            out.push_back(e);
        }
    } else {
        const double pinch = std::abs(s.spread - startSpread_);
        if (move >= kSwipeStart && move >= pinch) {
            kind_ = Kind::DockSwipe;
            dockMotion_ = std::abs(s.cx - startCentre_.x) >= std::abs(s.cy - startCentre_.y) ? 1 : 2;
        } else if (pinch >= kSwipePinchStart) {
            kind_ = Kind::DockSwipe;
            dockMotion_ = 3;
        }
        if (kind_ == Kind::DockSwipe) {
            dockProgress_ = 0;
            dockVelocity_ = 0;
            track(fingers, out);
        }
    }
    if (kind_ != Kind::Undecided) {
        sequenceHadGesture_ = true;
        lastCentre_ = {s.cx, s.cy};
        lastSpread_ = s.spread;
        lastAngle_ = s.angle;
    }
}

void TouchpadGestures::track(const std::vector<Point2>& fingers, std::vector<Event>& out) {
    if (fingers.size() < 2) return;
    const Shape s = shapeOf(fingers);
    switch (kind_) {
    case Kind::Scroll: {
        const double dx = (s.cx - lastCentre_.x) * kScrollPointsPerMm;
        const double dy = (s.cy - lastCentre_.y) * kScrollPointsPerMm;
        if (dx == 0 && dy == 0) return;
        Event e = gestureEvent(eventType::Gesture, gestureSubtype::Scroll, gesturePhase::Changed);
        e.setDoubleField(field::ScrollGestureDeltaX, dx);
        e.setDoubleField(field::ScrollGestureDeltaY, dy);
        out.push_back(e);
        break;
    }
    case Kind::PinchRotate: {
        Event e = gestureEvent(eventType::Gesture, zooming_ ? gestureSubtype::Zoom : gestureSubtype::Rotation,
                               gesturePhase::Changed);
        if (zooming_) {
            if (s.spread == lastSpread_) return;
            e.setDoubleField(field::ZoomValue, lastSpread_ > 0 ? s.spread / lastSpread_ - 1.0 : 0.0);
        } else {
            const double turn = -angleDelta(lastAngle_, s.angle);
            if (turn == 0) return;
            e.setDoubleField(field::RotationValue, turn);
        }
        out.push_back(e);
        break;
    }
    case Kind::DockSwipe: {
        double progress = 0;
        if (dockMotion_ == 1) progress = -(s.cx - startCentre_.x) / (widthMm_ * kDockSwipeSpan);
        else if (dockMotion_ == 2) progress = (s.cy - startCentre_.y) / (heightMm_ * kDockSwipeSpan);
        else progress = startSpread_ > 0 ? 1.0 - s.spread / startSpread_ : 0.0;
        const bool began = !dockBegun_;
        if (!began && progress == dockProgress_) return;
        const double seconds = static_cast<double>(now_ - lastFrameNs_) / 1e9;
        if (!began && seconds > 0) dockVelocity_ = (progress - dockProgress_) / seconds;
        dockProgress_ = progress;
        dockBegun_ = true;
        Event e = gestureEvent(eventType::DockControl, gestureSubtype::DockSwipe,
                               began ? gesturePhase::Began : gesturePhase::Changed);
        e.setIntegerField(field::DockSwipeMotion, dockMotion_);
        e.setDoubleField(field::DockSwipeProgress, progress);
        out.push_back(e);
        break;
    }
    default: return;
    }
    lastCentre_ = {s.cx, s.cy};
    lastSpread_ = s.spread;
    lastAngle_ = s.angle;
}

void TouchpadGestures::endGesture(std::vector<Event>& out) {
    switch (kind_) {
    case Kind::Scroll:
        out.push_back(gestureEvent(eventType::Gesture, gestureSubtype::Scroll, gesturePhase::Ended));
        break;
    case Kind::PinchRotate: {
        Event e = gestureEvent(eventType::Gesture, zooming_ ? gestureSubtype::Zoom : gestureSubtype::Rotation,
                               gesturePhase::Ended);
        e.setDoubleField(zooming_ ? field::ZoomValue : field::RotationValue, 0.0);
        out.push_back(e);
        out.push_back(gestureEvent(eventType::Gesture, gestureSubtype::Translation, gesturePhase::Ended));
        break;
    }
    case Kind::DockSwipe: {
        Event e = gestureEvent(eventType::DockControl, gestureSubtype::DockSwipe, gesturePhase::Ended);
        e.setIntegerField(field::DockSwipeMotion, dockMotion_);
        e.setDoubleField(field::DockSwipeProgress, dockProgress_);
        e.setDoubleField(field::DockSwipeVelocity, dockVelocity_);
        out.push_back(e);
        dockBegun_ = false;
        break;
    }
    default: break;
    }
    kind_ = Kind::None;
}

void TouchpadGestures::press(bool down, std::optional<double> pressure, std::vector<Event>& out) {
    if (down) sequenceHadPress_ = true;
    int stage = 0;
    if (down) {
        stage = 1;
        if (pressure && (*pressure >= kDeepPressOn || (pressStage_ == 2 && *pressure > kDeepPressOff))) stage = 2;
    }
    if (stage == pressStage_) return;
    // A press always begins as a click: the taps take a deep click only from
    // a change to stage 2.
    if (pressStage_ == 0 && stage == 2) press(true, std::nullopt, out);
    std::int64_t phase = gesturePhase::Changed;
    if (pressStage_ == 0) phase = gesturePhase::Began;
    if (stage == 0) phase = gesturePhase::Ended;
    Event e = gestureEvent(eventType::Gesture, gestureSubtype::Force, phase);
    e.setIntegerField(field::ForceStage, stage == 0 ? pressStage_ : stage);
    out.push_back(e);
    pressStage_ = stage;
    reportedButton_ = down;
}

Event TouchpadGestures::gestureEvent(std::uint32_t type, std::int64_t subtype, std::int64_t phase) const {
    Event e;
    e.setType(type);
    e.setTimestamp(now_);
    e.setIntegerField(field::GestureSubtype, subtype);
    e.setIntegerField(field::GesturePhase, phase);
    return e;
}

} // namespace corv::desktop
