#include "platform/desktop/input/TouchpadGestures.h"
#include "platform/desktop/input/TouchpadRecording.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace corv::desktop {

using platform::Event;
namespace eventType = platform::eventType;
namespace field = platform::field;
namespace gestureSubtype = platform::gestureSubtype;
namespace gesturePhase = platform::gesturePhase;
namespace {

using test::Finger;
using test::TouchpadRecording;

// What the taps would see of a gesture: its kind, count of events and the
// values that decide the binding's direction.
struct Seen {
    std::vector<Event> events;

    std::vector<const Event*> of(std::uint32_t type, std::int64_t subtype) const {
        std::vector<const Event*> out;
        for (const Event& e : events)
            if (e.type() == type && e.integerField(field::GestureSubtype) == subtype) out.push_back(&e);
        return out;
    }
    std::vector<std::int64_t> phases(std::uint32_t type, std::int64_t subtype) const {
        std::vector<std::int64_t> out;
        for (const Event* e : of(type, subtype)) out.push_back(e->integerField(field::GesturePhase));
        return out;
    }
};

Seen run(const TouchpadRecording& rec) {
    TouchpadGestures g(rec.axes());
    Seen seen;
    for (const TouchpadReport& r : g.feed(rec.events()))
        seen.events.insert(seen.events.end(), r.events.begin(), r.events.end());
    return seen;
}

// Phases go began, changed..., ended, each once in that order.
void expectBracketed(const std::vector<std::int64_t>& phases) {
    ASSERT_GE(phases.size(), 2u);
    EXPECT_EQ(phases.front(), gesturePhase::Began);
    EXPECT_EQ(phases.back(), gesturePhase::Ended);
    for (std::size_t i = 1; i + 1 < phases.size(); ++i) EXPECT_EQ(phases[i], gesturePhase::Changed);
}

TEST(TouchpadGestures, DockSwipesCarryTheirMotionAndTheSignTheTapsReadAsTheDirection) {
    struct Case {
        std::string name;
        int fingers;
        double dx, dy;
        std::int64_t motion;
        double sign;  // of the progress: > 0 left or down
    };
    const std::vector<Case> cases{
        {"three left", 3, -30, 0, 1, +1},
        {"three right", 3, 30, 0, 1, -1},
        {"four up", 4, 0, -25, 2, -1},
        {"four down", 4, 0, 25, 2, +1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TouchpadRecording rec;
        rec.stroke(test::fingersAround(c.fingers, 50, 35, 8), c.dx, c.dy, 0.0, 300);
        const Seen seen = run(rec);
        const auto swipes = seen.of(eventType::DockControl, gestureSubtype::DockSwipe);
        expectBracketed(seen.phases(eventType::DockControl, gestureSubtype::DockSwipe));
        for (const Event* e : swipes) EXPECT_EQ(e->integerField(field::DockSwipeMotion), c.motion);
        const double last = swipes.back()->doubleField(field::DockSwipeProgress);
        EXPECT_GT(last * c.sign, 0.4);
        EXPECT_TRUE(swipes.back()->hasField(field::DockSwipeVelocity));
        EXPECT_TRUE(seen.of(eventType::Gesture, gestureSubtype::Scroll).empty());
    }
}

TEST(TouchpadGestures, TwoFingersScrollPinchOrRotateByWhatChangesMost) {
    struct Case {
        std::string name;
        double dx, dy, spreadMm, turnDegrees;
        std::int64_t subtype;
        std::uint32_t valueField;
        double sign;
    };
    const std::vector<Case> cases{
        {"scroll down", 0, 20, 0, 0, gestureSubtype::Scroll, field::ScrollGestureDeltaY, +1},
        {"scroll left", -20, 0, 0, 0, gestureSubtype::Scroll, field::ScrollGestureDeltaX, -1},
        {"spread", 0, 0, 20, 0, gestureSubtype::Zoom, field::ZoomValue, +1},
        {"pinch", 0, 0, -15, 0, gestureSubtype::Zoom, field::ZoomValue, -1},
        {"rotate counter-clockwise", 0, 0, 0, -60, gestureSubtype::Rotation, field::RotationValue, +1},
        {"rotate clockwise", 0, 0, 0, 60, gestureSubtype::Rotation, field::RotationValue, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TouchpadRecording rec;
        rec.stroke(test::fingersAround(2, 50, 35, 12), c.dx, c.dy, c.spreadMm, 300, c.turnDegrees);
        const Seen seen = run(rec);
        const auto events = seen.of(eventType::Gesture, c.subtype);
        expectBracketed(seen.phases(eventType::Gesture, c.subtype));
        EXPECT_GT(events.front()->doubleField(c.valueField) * c.sign, 0) << "the began event gives the direction";
        const bool pinchOrRotate = c.subtype != gestureSubtype::Scroll;
        EXPECT_EQ(seen.of(eventType::Gesture, gestureSubtype::Translation).size(), pinchOrRotate ? 2u : 0u);
        EXPECT_TRUE(seen.of(eventType::DockControl, gestureSubtype::DockSwipe).empty());
    }
}

TEST(TouchpadGestures, RotationValuesAddUpToTheTurnInDegrees) {
    TouchpadRecording rec;
    rec.stroke(test::fingersAround(2, 50, 35, 12), 0, 0, 0, 400, -90);
    double total = 0;
    const Seen seen = run(rec);
    for (const Event* e : seen.of(eventType::Gesture, gestureSubtype::Rotation))
        total += e->doubleField(field::RotationValue);
    EXPECT_NEAR(total, 90.0, 1.0);
}

TEST(TouchpadGestures, OnlyAShortStillMultiFingerTouchIsATap) {
    struct Case {
        std::string name;
        int fingers;
        double moveMm;
        int ms;
        bool click;
        bool tap;
    };
    const std::vector<Case> cases{
        {"three-finger tap", 3, 0, 120, false, true},
        {"two-finger tap", 2, 0.5, 100, false, true},
        {"one finger", 1, 0, 100, false, false},
        {"too long", 3, 0, 400, false, false},
        {"moved", 3, 8, 150, false, false},
        {"pressed", 3, 0, 120, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TouchpadRecording rec;
        if (c.click) rec.button(true);
        rec.stroke(test::fingersAround(c.fingers, 50, 35, 10), c.moveMm, 0, 0, c.ms);
        const Seen seen = run(rec);
        std::size_t taps = 0;
        for (const Event* e : seen.of(eventType::DockControl, gestureSubtype::DockSwipe))
            if (e->integerField(field::DockSwipeMotion) == 5) ++taps;
        EXPECT_EQ(taps, c.tap ? 1u : 0u);
    }
}

TEST(TouchpadGestures, AClickpadPressIsStageOneAndDeepOnlyWherePressureRises) {
    struct Case {
        std::string name;
        bool pressure;
        double peak;
        std::vector<std::int64_t> stages;
        bool deepAtOnce = false;
    };
    const std::vector<Case> cases{
        {"no pressure axis", false, 0, {1, 1}},
        {"light", true, 0.5, {1, 1}},
        {"deep and back", true, 0.9, {1, 2, 1, 1}},
        {"deep from the first frame", true, 0.9, {1, 2, 2}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TouchpadRecording rec(c.pressure);
        if (c.deepAtOnce) {
            rec.raw(EV_ABS, ABS_MT_TRACKING_ID, 1);
            rec.raw(EV_ABS, ABS_MT_PRESSURE, 240);
            rec.button(true);
            rec.sync();
            rec.button(false);
            rec.sync();
            rec.lift(1);
        } else {
            rec.press(c.peak, 200);
        }
        const Seen seen = run(rec);
        std::vector<std::int64_t> stages;
        for (const Event* e : seen.of(eventType::Gesture, gestureSubtype::Force))
            stages.push_back(e->integerField(field::ForceStage));
        EXPECT_EQ(stages, c.stages);
        expectBracketed(seen.phases(eventType::Gesture, gestureSubtype::Force));
    }
}

TEST(TouchpadGestures, FramesGiveEachFingerItsSlotAndNormalisedPlace) {
    TouchpadRecording rec;
    rec.stroke({{25, 17.5}, {75, 52.5}}, 0, 0, 0, 16);
    TouchpadGestures g(rec.axes());
    const auto reports = g.feed(rec.events());
    ASSERT_FALSE(reports.empty());
    const TouchFrame& f = reports.front().frame;
    ASSERT_EQ(f.fingerCount, 2);
    EXPECT_EQ(f.contacts[0].slot, 0);
    EXPECT_EQ(f.contacts[1].slot, 1);
    EXPECT_NEAR(f.contacts[0].x, 0.25, 0.01);
    EXPECT_NEAR(f.contacts[1].y, 0.75, 0.01);
    ASSERT_TRUE(f.contacts[0].pressure);
    EXPECT_GT(f.timeNs, 0u);
    EXPECT_EQ(reports.back().frame.fingerCount, 0);
}

TEST(TouchpadGestures, HostileSlotsAndADroppedReportEndCleanly) {
    TouchpadRecording rec;
    rec.raw(EV_ABS, ABS_MT_SLOT, 1000);
    rec.raw(EV_ABS, ABS_MT_TRACKING_ID, 7);
    rec.raw(EV_ABS, ABS_MT_SLOT, -3);
    rec.raw(EV_ABS, ABS_MT_POSITION_X, 5);
    rec.sync();
    rec.strokeWithoutLift(test::fingersAround(3, 50, 35, 8), -30, 0, 200);
    TouchpadGestures g(rec.axes());
    std::vector<Event> events;
    for (const auto& r : g.feed(rec.events())) events.insert(events.end(), r.events.begin(), r.events.end());
    EXPECT_EQ(g.kind(), TouchpadGestures::Kind::DockSwipe);
    const std::vector<Event> ended = g.reset(1'000'000'000);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].integerField(field::GesturePhase), gesturePhase::Ended);
    EXPECT_EQ(g.kind(), TouchpadGestures::Kind::None);
    // After the reset a fresh touch starts from nothing.
    TouchpadRecording next;
    next.stroke(test::fingersAround(1, 50, 35, 8), 0, 0, 0, 50);
    const auto reports = g.feed(next.events());
    EXPECT_EQ(reports.front().frame.fingerCount, 1);
}

} // namespace
} // namespace corv::desktop
