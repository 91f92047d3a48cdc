// A faked clickpad under umockdev with the real engine: a bound gesture acts
// through the posting device and nothing of it reaches the clone; an unbound
// one reaches the clone whole, for the desktop's own gestures.

#include "engine/LiveTaps.h"
#include "engine/MultitouchDevices.h"
#include "model/Apps.h"
#include "model/ModifierMask.h"
#include "model/Shared.h"
#include "platform/Platform.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/desktop/input/TouchpadGestures.h"

#include "platform/desktop/input/InputScene.h"
#include "platform/desktop/input/TouchpadRecording.h"
#include "support/UmockdevInput.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <sys/time.h>

namespace corv::desktop {
namespace {

using test::InputEvent;

constexpr const char* kPad = "Fake Touchpad";
constexpr const char* kPosting = "Corvadine virtual input";
constexpr std::uint16_t kVkK = 40;

// Command+K, bound to gestures below.
BindAction commandK(bool multiShot = false) {
    BindAction b;
    b.isHotkey = true;
    b.hotkeyMod = 0x100000;
    b.hotkeyKey = kVkK;
    b.multiShot = multiShot;
    return b;
}
// What a device sent or a clone got, without the slot selections the clone
// already has left out.
std::vector<InputEvent> withoutSlots(const std::vector<InputEvent>& events) {
    std::vector<InputEvent> out;
    for (const auto& e : test::significant(events))
        if (!(e.type == EV_ABS && e.code == ABS_MT_SLOT)) out.push_back(e);
    return out;
}
std::vector<InputEvent> sentOf(const test::TouchpadRecording& rec) {
    std::vector<InputEvent> sent;
    for (const input_event& e : rec.events()) sent.push_back({e.type, e.code, e.value});
    return sent;
}

struct Pad : InputScene {
    // Held frames wait `holdBound` s of real time for the next: by default
    // longer than a busy machine keeps one from the next, so the recording's
    // stamps alone end a hold.
    explicit Pad(const test::EvdevDesc& desc = test::fakeTouchpad(kPad), double holdBound = 10.0) {
        pad = input.addDevice(desc);
        start(true, [&](DesktopLocations& at) { at.input.holdBound = holdBound; });
        EXPECT_TRUE(test::spinUntil([&] { return input.grabbed(pad); }, 5000));
        engine::startMultitouchDevices();
        settle(80);
    }
    // Sends the recording frame by frame, as the device would, stamped with
    // the recording's times from now on (however late a busy machine sends
    // them). A terminal stands in for the node and cuts what piles up at any
    // byte, so each frame is read before the next is sent.
    void play(const std::vector<input_event>& events) {
        const auto us = [](const input_event& e) {
            return static_cast<std::int64_t>(e.input_event_sec) * 1'000'000 + e.input_event_usec;
        };
        timeval start{};
        ::gettimeofday(&start, nullptr);
        const std::int64_t base = static_cast<std::int64_t>(start.tv_sec) * 1'000'000 + start.tv_usec -
                                  (events.empty() ? 0 : us(events.front()));
        std::vector<InputEvent> frame;
        for (const input_event& e : events) {
            frame.push_back({e.type, e.code, e.value});
            if (e.type == EV_SYN && e.code == SYN_REPORT) {
                const std::int64_t at = base + us(e);
                input.send(pad, frame, timeval{static_cast<time_t>(at / 1'000'000), static_cast<suseconds_t>(at % 1'000'000)});
                frame.clear();
                test::spinUntil([] { return false; }, 4);
                EXPECT_TRUE(test::spinUntil([&] { return input.allRead(); }, 10000));
            }
        }
        settle(80);
    }

    std::string pad;
};

TEST(DesktopTouchpad, ABoundSwipeActsAndNeverReachesTheCloneAnUnboundOneReachesItWhole) {
    if (!test::runningUnderUmockdev()) return;
    test::TouchpadRecording rec;
    rec.stroke(test::fingersAround(3, 50, 35, 8), -30, 0, 0, 300);

    Pad s;
    // Unbound: the desktop's own three-finger swipe reaches the clone
    // unchanged.
    s.play(rec.events());
    EXPECT_EQ(withoutSlots(s.input.written(kPad)), withoutSlots(sentOf(rec)));
    EXPECT_TRUE(test::significant(s.input.written(kPosting)).empty());

    // Bound to Command+K: the combination once, nothing more on the clone.
    Apps::shared().a.modify([&](AppEntries& e) { e[""].ges[3][ActGes::Swipe][0][ActDir::Left] = commandK(); });
    s.settle();  // the taps follow the bindings on a later turn
    const std::size_t cloneBefore = s.input.written(kPad).size();
    s.play(rec.events());
    EXPECT_EQ(s.input.written(kPad).size(), cloneBefore);
    const std::vector<InputEvent> combo{{EV_KEY, KEY_LEFTMETA, 1}, {EV_KEY, KEY_K, 1}, {EV_KEY, KEY_K, 0},
                                        {EV_KEY, KEY_LEFTMETA, 0}};
    EXPECT_EQ(test::significant(s.input.written(kPosting)), combo);

    // A touchpad without slots gives no frames: it is taken as a pointer.
    test::EvdevDesc old = test::fakeTouchpad("Old Touchpad");
    for (std::uint16_t code : {ABS_MT_SLOT, ABS_MT_POSITION_X, ABS_MT_POSITION_Y, ABS_MT_TRACKING_ID, ABS_MT_PRESSURE,
                               ABS_MT_TOUCH_MAJOR}) {
        old.codes[EV_ABS].erase(code);
        old.abs.erase(code);
    }
    const std::string oldPad = s.input.addDevice(old);
    EXPECT_TRUE(test::spinUntil([&] { return s.input.grabbed(oldPad); }, 5000));
    EXPECT_EQ(platform::multitouch().deviceList()->size(), 1u);
}

TEST(DesktopTouchpad, ABoundRotationStepsOncePerEightDegreesAndAnUnboundPinchBesideItStillReachesTheClone) {
    if (!test::runningUnderUmockdev()) return;
    // Clockwise by 90 degrees, then a spread no binding wants.
    test::TouchpadRecording rotate;
    rotate.stroke(test::fingersAround(2, 50, 35, 12), 0, 0, 0, 400, 90);
    test::TouchpadRecording spread;
    spread.stroke(test::fingersAround(2, 50, 35, 12), 0, 0, 20, 300);

    // The taps count a rotation from its third value on, one step per
    // 8 degrees: what the turn of the recording comes to after the first two.
    std::vector<double> turns;
    TouchpadGestures judge(rotate.axes());
    for (const TouchpadReport& r : judge.feed(rotate.events()))
        for (const platform::Event& e : r.events)
            if (e.integerField(platform::field::GestureSubtype) == platform::gestureSubtype::Rotation &&
                e.integerField(platform::field::GesturePhase) != platform::gesturePhase::Ended)
                turns.push_back(-e.doubleField(platform::field::RotationValue));
    ASSERT_GE(turns.size(), 3u);
    double total = 0;
    for (double t : turns) total += t;
    EXPECT_NEAR(total, 90.0, 1.0);
    const long steps = std::lround(std::rint((total - turns[0] - turns[1]) / 8.0));
    EXPECT_GE(steps, 8);

    Pad s;
    s.desktop->eventTaps.input.setVerdictBound(2.0);  // every event is judged, however loaded the machine
    s.desktop->eventTaps.input.pointer = [] { return platform::Point{321, 123}; };
    std::vector<platform::Point> at;
    s.desktop->eventTaps.chain.onSeen = [&](platform::EventTapId, std::uint32_t type, const platform::Event& e) {
        if (type == platform::eventType::Gesture) at.push_back(e.location());
    };
    Apps::shared().a.modify([&](AppEntries& e) { e[""].ges[2][ActGes::Rotate][0][ActDir::CW] = commandK(true); });
    s.settle();  // the taps follow the bindings on a later turn

    s.play(rotate.events());
    long presses = 0;
    for (const auto& e : s.input.written(kPosting))
        if (e.type == EV_KEY && e.code == KEY_K && e.value >= 1) ++presses;
    EXPECT_EQ(presses, steps);
    EXPECT_TRUE(test::significant(s.input.written(kPad)).empty());
    ASSERT_FALSE(at.empty());
    EXPECT_EQ(std::count_if(at.begin(), at.end(), [](platform::Point p) { return p.x != 321 || p.y != 123; }), 0)
        << "the taps look under the pointer";

    // The spread is weighed against a rotation like the bound one, then
    // passed: the desktop gets it whole, and nothing is posted.
    const std::size_t posted = s.input.written(kPosting).size();
    s.play(spread.events());
    EXPECT_EQ(withoutSlots(s.input.written(kPad)), withoutSlots(sentOf(spread)));
    EXPECT_EQ(s.input.written(kPosting).size(), posted);
}

// Tracking ids the clone got, in order, and the keys it holds at the end.
struct CloneTouch {
    std::vector<int> ids;
    std::set<std::uint16_t> keys;
};
CloneTouch cloneTouch(const std::vector<InputEvent>& events) {
    CloneTouch t;
    for (const auto& e : events) {
        if (e.type == EV_ABS && e.code == ABS_MT_TRACKING_ID) t.ids.push_back(e.value);
        if (e.type == EV_KEY && e.value) t.keys.insert(e.code);
        if (e.type == EV_KEY && !e.value) t.keys.erase(e.code);
    }
    return t;
}

TEST(DesktopTouchpad, TwoStillFingersHeldBackReachTheCloneWhenTheHoldEndsThoughNoFrameFollows) {
    if (!test::runningUnderUmockdev()) return;
    test::TouchpadRecording rec;
    rec.strokeWithoutLift(test::fingersAround(2, 50, 35, 8), 0, 0, 8);
    Pad s(test::fakeTouchpad(kPad), DesktopInputConfig{}.holdBound);
    s.play(rec.events());
    EXPECT_TRUE(test::spinUntil([&] { return cloneTouch(s.input.written(kPad)).ids.size() == 2; }, 2000));
    EXPECT_EQ(cloneTouch(s.input.written(kPad)).keys, (std::set<std::uint16_t>{BTN_TOUCH, BTN_TOOL_DOUBLETAP}));
}

TEST(DesktopTouchpad, AContactInASlotPastSixteenReachesTheClone) {
    if (!test::runningUnderUmockdev()) return;
    test::EvdevDesc desc = test::fakeTouchpad(kPad);
    desc.abs[ABS_MT_SLOT].maximum = 19;
    Pad s(desc);
    test::TouchpadRecording rec;
    rec.raw(EV_ABS, ABS_MT_SLOT, 17);
    rec.raw(EV_ABS, ABS_MT_TRACKING_ID, 7);
    rec.raw(EV_ABS, ABS_MT_POSITION_X, 2000);
    rec.raw(EV_ABS, ABS_MT_POSITION_Y, 1400);
    rec.raw(EV_KEY, BTN_TOUCH, 1);
    rec.raw(EV_KEY, BTN_TOOL_FINGER, 1);
    rec.sync();
    for (int i = 1; i <= 5; ++i) {
        rec.raw(EV_ABS, ABS_MT_POSITION_X, 2000 + 40 * i);
        rec.sync();
    }
    rec.raw(EV_ABS, ABS_MT_TRACKING_ID, -1);
    rec.raw(EV_KEY, BTN_TOUCH, 0);
    rec.raw(EV_KEY, BTN_TOOL_FINGER, 0);
    rec.sync();
    s.play(rec.events());
    const auto clone = s.input.written(kPad);
    EXPECT_EQ(cloneTouch(clone).ids, (std::vector<int>{7, -1}));
    EXPECT_NE(std::find(clone.begin(), clone.end(), InputEvent{EV_ABS, ABS_MT_SLOT, 17}), clone.end());
}

TEST(DesktopTouchpad, FingersThatStayAfterASwallowedSwipeReachTheCloneAgain) {
    if (!test::runningUnderUmockdev()) return;
    test::TouchpadRecording rec;
    rec.strokeWithoutLift(test::fingersAround(3, 50, 35, 8), -30, 0, 300);
    rec.liftFinger(2, 2);
    // The two left scroll down.
    for (int i = 1; i <= 40; ++i) {
        for (int slot = 0; slot < 2; ++slot) {
            rec.raw(EV_ABS, ABS_MT_SLOT, slot);
            rec.raw(EV_ABS, ABS_MT_POSITION_Y, 800 + 40 * i);
        }
        rec.sync();
    }
    Pad s;
    Apps::shared().a.modify([&](AppEntries& e) { e[""].ges[3][ActGes::Swipe][0][ActDir::Left] = commandK(); });
    s.settle();  // the taps follow the bindings on a later turn
    s.play(rec.events());
    EXPECT_FALSE(test::significant(s.input.written(kPosting)).empty());
    // Whatever the clone saw of the three fingers was lifted; the two that
    // stayed come back with their ids, touch and tool, and move.
    const auto clone = s.input.written(kPad);
    const CloneTouch t = cloneTouch(clone);
    // (the third is announced with the frame that lifts it).
    EXPECT_EQ(t.ids, (std::vector<int>{100, 101, 102, -1}));
    EXPECT_EQ(t.keys, (std::set<std::uint16_t>{BTN_TOUCH, BTN_TOOL_DOUBLETAP}));
    int moves = 0;
    for (auto it = std::find(clone.begin(), clone.end(), InputEvent{EV_ABS, ABS_MT_TRACKING_ID, 101}); it != clone.end();
         ++it)
        if (it->type == EV_ABS && it->code == ABS_MT_POSITION_Y) ++moves;
    EXPECT_GE(moves, 20);
}

} // namespace
} // namespace corv::desktop
