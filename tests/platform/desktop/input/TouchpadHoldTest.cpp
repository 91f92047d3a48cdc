#include "platform/desktop/input/TouchpadGestures.h"
#include "platform/desktop/input/TouchpadHold.h"
#include "platform/desktop/input/TouchpadRecording.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corv::desktop {

using platform::Event;
namespace eventType = platform::eventType;
namespace field = platform::field;
namespace gestureSubtype = platform::gestureSubtype;
namespace gesturePhase = platform::gesturePhase;
namespace {

using test::TouchpadRecording;

// The reader's road for one touchpad: the recogniser, the taps' verdict on
// every gesture that begins (swallowed when bound), and the hold.
struct Road {
    explicit Road(const TouchpadRecording& rec) : gestures(rec.axes()), axes(rec.axes()) {}

    bool bound = false;
    TouchpadGestures gestures;
    TouchpadHold hold;
    TouchpadAxes axes;
    std::vector<input_event> clone;
    std::vector<std::size_t> writtenPerFrame;

    void run(const std::vector<input_event>& events) {
        std::size_t start = 0;
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (events[i].type != EV_SYN || events[i].code != SYN_REPORT) continue;
            const std::span<const input_event> frame(events.data() + start, i + 1 - start);
            start = i + 1;
            const auto reports = gestures.feed(frame);
            TouchpadHold::Verdict v = TouchpadHold::Verdict::NoGesture;
            for (const Event& e : reports.front().events) {
                const bool tap = e.type() == eventType::DockControl && e.integerField(field::DockSwipeMotion) == 5;
                if (e.integerField(field::GesturePhase) == gesturePhase::Began || tap)
                    v = bound ? TouchpadHold::Verdict::Swallowed : TouchpadHold::Verdict::Passed;
            }
            const auto out = hold.frame(frame, reports.front().frame.fingerCount,
                                        gestures.kind() == TouchpadGestures::Kind::Undecided, v);
            writtenPerFrame.push_back(out.size());
            clone.insert(clone.end(), out.begin(), out.end());
        }
    }

    // What the desktop's own input stack makes of the clone.
    struct Seen {
        std::vector<Event> events;
        int maxFingers = 0;
        int lastFingers = 0;
        std::vector<TouchFrame> frames;
    };
    Seen desktop() const {
        TouchpadGestures judge(axes);
        Seen seen;
        for (const auto& r : judge.feed(clone)) {
            seen.events.insert(seen.events.end(), r.events.begin(), r.events.end());
            seen.maxFingers = std::max(seen.maxFingers, r.frame.fingerCount);
            seen.lastFingers = r.frame.fingerCount;
            seen.frames.push_back(r.frame);
        }
        return seen;
    }
};

std::int64_t dockMotion(const std::vector<Event>& events) {
    for (const Event& e : events)
        if (e.type() == eventType::DockControl) return e.integerField(field::DockSwipeMotion);
    return 0;
}

TEST(TouchpadHold, AnUnboundGestureReachesTheDesktopWholeAndABoundOneNotAtAll) {
    struct Case {
        std::string name;
        int fingers;
        double dx, dy;
        int ms;
        std::int64_t motion;
    };
    const std::vector<Case> cases{
        {"three-finger swipe left", 3, -30, 0, 300, 1},
        {"four-finger swipe up", 4, 0, -25, 300, 2},
        {"three-finger tap", 3, 0, 0, 100, 5},
    };
    for (const Case& c : cases) {
        for (const bool bound : {false, true}) {
            SCOPED_TRACE(c.name + (bound ? " bound" : " unbound"));
            TouchpadRecording rec;
            rec.stroke(test::fingersAround(c.fingers, 50, 35, 8), c.dx, c.dy, 0, c.ms);
            Road road(rec);
            road.bound = bound;
            road.run(rec.events());
            const auto seen = road.desktop();
            if (bound) {
                EXPECT_TRUE(road.clone.empty());
            } else {
                EXPECT_EQ(dockMotion(seen.events), c.motion);
                EXPECT_EQ(seen.maxFingers, c.fingers);
                EXPECT_EQ(seen.lastFingers, 0);
            }
            EXPECT_EQ(road.hold.heldFrames(), 0u);
            EXPECT_EQ(road.hold.state(), TouchpadHold::State::Idle);
        }
    }
}

TEST(TouchpadHold, OneFingerIsNeverHeld) {
    TouchpadRecording rec;
    rec.stroke(test::fingersAround(1, 50, 35, 8), 20, 10, 0, 200);
    Road road(rec);
    road.bound = true;
    road.run(rec.events());
    for (std::size_t n : road.writtenPerFrame) EXPECT_GT(n, 0u);
}

TEST(TouchpadHold, ATouchLetGoOnceIsNotHeldAgainUntilItsFingerCountChanges) {
    struct Case {
        std::string name;
        bool press;
    };
    for (const Case& c : std::vector<Case>{{"two fingers resting past the hold time", false},
                                           {"a two-finger press kept down", true}}) {
        SCOPED_TRACE(c.name);
        TouchpadRecording rec;
        rec.strokeWithoutLift(test::fingersAround(2, 50, 35, 10), 0, 0, c.press ? 16 : 240);
        if (c.press) rec.button(true);
        for (int i = 0; i < 60; ++i) {
            rec.raw(EV_ABS, ABS_MT_SLOT, i % 2);
            rec.raw(EV_ABS, ABS_MT_PRESSURE, 50 + i);
            rec.sync();
        }
        rec.lift(2);
        Road road(rec);
        road.run(rec.events());
        std::size_t first = 0;
        while (first < road.writtenPerFrame.size() && road.writtenPerFrame[first] == 0) ++first;
        ASSERT_LT(first, road.writtenPerFrame.size());
        for (std::size_t i = first; i < road.writtenPerFrame.size(); ++i)
            EXPECT_GT(road.writtenPerFrame[i], 0u) << "frame " << i;
    }
}

TEST(TouchpadHold, ASwallowedGestureLiftsWhatTheCloneSawAndTheNextTouchLandsInItsSlot) {
    // Two fingers rest past the hold time (they reach the clone), then swipe
    // as the third lands; the bound swipe is swallowed.
    TouchpadRecording rec;
    rec.strokeWithoutLift(test::fingersAround(2, 50, 35, 10), 0, 0, 300);
    rec.strokeWithoutLift(test::fingersAround(3, 50, 35, 8), -30, 0, 300);
    rec.lift(3);
    rec.stroke({{80, 60}}, 0, 0, 0, 40);
    Road road(rec);
    road.bound = true;
    road.run(rec.events());
    const auto seen = road.desktop();
    EXPECT_EQ(dockMotion(seen.events), 0) << "nothing of the swipe";
    EXPECT_EQ(seen.maxFingers, 2);
    bool liftedBeforeTheNextTouch = false;
    for (const TouchFrame& f : seen.frames) {
        if (f.fingerCount == 0) liftedBeforeTheNextTouch = true;
        if (f.fingerCount == 1) {
            ASSERT_TRUE(liftedBeforeTheNextTouch);
            EXPECT_EQ(f.contacts[0].slot, 0);
            EXPECT_NEAR(f.contacts[0].x, 0.8, 0.01);
            EXPECT_NEAR(f.contacts[0].y, 60.0 / 70.0, 0.01);
        }
    }
    EXPECT_EQ(seen.lastFingers, 0);
}

} // namespace
} // namespace corv::desktop
