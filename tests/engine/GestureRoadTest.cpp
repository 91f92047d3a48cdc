// A gesture on the trackpad performs the action bound to it for the
// application under the cursor: the whole road, on the simulated machine.

#include "TrackpadInput.h"

#include "engine/DisplayLink.h"
#include "engine/GestureTap.h"
#include "engine/Magnify.h"
#include "engine/SwipeAnimation.h"
#include "model/ActionTable.h"
#include "model/ActiveGesItems.h"
#include "model/GesState.h"
#include "model/ModifierMask.h"
#include "model/UIState.h"

#include <numbers>

namespace corv::engine {
namespace {

using namespace test;

const std::string kX = "com.example.x";
const std::string kY = "com.example.y";
constexpr platform::Point kOverX{100, 100};
constexpr platform::Point kOverY{700, 100};

// System-defined key types of the volume keys.
constexpr std::int64_t kSoundUp = 0;
constexpr std::int64_t kSoundDown = 1;

// An Apple trackpad; application X under the cursor, whose enabled entry binds
// the two-finger Swipe Left to Command+[; application Y beside it with no
// entry; an empty global profile.
class GestureRoadTest : public TrackpadTest {
protected:
    void SetUp() override {
        openApp(42, kX, {0, 0, 600, 800});
        openApp(43, kY, {600, 0, 600, 800});
        setEntry("", AnApp{});
        setEntry(kX, AnApp{});
        bindGesture(kX, 2, ActGes::Swipe, 0, ActDir::Left, hotkey(kCommand, kLeftBracket));
        pad = &addDevice(kMagicTrackpad);
        pad->at = kOverX;
    }

    // The key type of the next delivered system-defined press, its release checked.
    std::int64_t systemKeyPress() {
        const platform::Event press = delivered();
        EXPECT_EQ(press.type(), 14u);
        const platform::Event release = delivered();
        EXPECT_EQ(release.systemData().data1 >> 16, press.systemData().data1 >> 16);
        return press.systemData().data1 >> 16;
    }

    Trackpad* pad = nullptr;
};

TEST_F(GestureRoadTest, BoundSwipeTapsTheHotkeyOnceAndSwallowsItsScrollingAndMomentum) {
    pad->swipe(2, {{-6, 1}, {-20, 2}, {-30, 1}});
    settle();
    expectKeyTap(kLeftBracket, kCommand, 55);
    EXPECT_TRUE(nothingDelivered());
    EXPECT_EQ(sim->events.posted.size(), 3u);
    EXPECT_TRUE(ActiveGesItems::shared().empty());

    pad->momentum(4);
    settle();
    EXPECT_TRUE(nothingDelivered());

    // The next scroll begins anew and reaches the application whole.
    pad->sent.clear();
    pad->swipe(2, {{0, 5}, {0, 9}});
    pad->momentum(2);
    settle();
    expectAllPassedUntouched(*pad);
}

TEST_F(GestureRoadTest, UnboundProfilePassesEverythingUntouched) {
    pad->at = kOverY;
    pad->swipe(2, {{-6, 1}, {-20, 2}, {-30, 1}});
    pad->momentum(3);
    settle();
    expectAllPassedUntouched(*pad);
    EXPECT_FALSE(GesState::shared().inertia);
    EXPECT_TRUE(sim->events.posted.empty());
}

TEST_F(GestureRoadTest, InputFromAnotherDevicePassesUntouched) {
    Trackpad& other = addDevice(kOtherTrackpad);
    other.at = kOverX;
    other.swipe(2, {{-6, 1}, {-20, 2}, {-30, 1}});
    other.momentum(3);
    settle();
    expectAllPassedUntouched(other);
    EXPECT_TRUE(sim->events.posted.empty());
}

TEST_F(GestureRoadTest, MultiShotActionFiresPerQuantumBothWays) {
    bindGesture(kX, 2, ActGes::Swipe, 0, ActDir::Up, BindAction::forAction(ActionId::VolumeUpContinuous));
    // Progress 0.01, then 0.1 (5 steps up), then back to 0.02 (4 steps down).
    pad->touch(2);
    pad->send(pad->scrollGesture(phase::Began, 0, -8));
    pad->send(pad->scrollGesture(phase::Changed, 0, -72));
    settle();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(systemKeyPress(), kSoundUp) << i;
    EXPECT_TRUE(nothingDelivered());

    pad->send(pad->scrollGesture(phase::Changed, 0, 64));
    pad->send(pad->scrollGesture(phase::Ended, 0, 0));
    settle();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(systemKeyPress(), kSoundDown) << i;
    EXPECT_TRUE(nothingDelivered());
    EXPECT_EQ(sim->multitouch.actuations().size(), 9u);
}

TEST_F(GestureRoadTest, RotationWinsOnItsThirdEventAndAloneActs) {
    bindGesture(kX, 2, ActGes::Rotate, 0, ActDir::CCW, hotkey(kCommand, kRightBracket));
    bindGesture(kX, 2, ActGes::Zoom, 0, ActDir::Spread, hotkey(kCommand, 24));
    pad->touch(2);
    pad->send(pad->gestureEvent(gesture::Translation, phase::Began));
    pad->send(pad->rotation(phase::Began, 2));
    pad->send(pad->zoom(phase::Began, 0.05));
    pad->send(pad->rotation(phase::Changed, 2));
    pad->send(pad->zoom(phase::Changed, 0.05));
    pad->send(pad->rotation(phase::Changed, 2));
    settle();
    auto& items = ActiveGesItems::shared();
    EXPECT_TRUE(items.find(ActiveGesItems::kRotation)->won);
    EXPECT_EQ(items.find(ActiveGesItems::kRotation)->count, 3);
    EXPECT_EQ(items.find(ActiveGesItems::kZoom)->count, 2);
    EXPECT_TRUE(nothingDelivered());

    // The loser no longer counts nor acts; the winner's next event fires it.
    pad->send(pad->zoom(phase::Changed, 0.05));
    EXPECT_EQ(items.find(ActiveGesItems::kZoom)->count, 2);
    pad->send(pad->rotation(phase::Changed, 2));
    pad->send(pad->gestureEvent(gesture::Translation, phase::Changed));
    pad->send(pad->gestureEvent(gesture::Translation, phase::Ended));
    pad->send(pad->rotation(phase::Ended, 0));
    pad->send(pad->zoom(phase::Ended, 0));
    settle();
    expectKeyTap(kRightBracket, kCommand, 55);
    EXPECT_TRUE(nothingDelivered());
    EXPECT_TRUE(items.empty());
    EXPECT_TRUE(GesState::shared().inertia);
}

TEST_F(GestureRoadTest, ForceClickBoundOnlyOnDeepClickReplaysTheHeldDownThenTheUp) {
    bindGesture(kX, 1, ActGes::Click2, 0, ActDir::None, hotkey(kCommand, 4));
    UIState::shared().tapToClick.set(true);
    pad->touch(1);
    // The force click begins while the click tap holds the down.
    gestureEventDuringNextSpin(pad->force(phase::Began, 1));
    const platform::Event down = pad->click(mouse::LeftDown);
    pad->send(down);
    pad->send(pad->force(phase::Changed, 1));
    pad->send(pad->force(phase::Ended, 1));
    pad->send(pad->click(mouse::LeftUp));
    pad->touch(0);
    settle();
    EXPECT_EQ(delivered(), down);
    EXPECT_TRUE(nothingDelivered());

    sim->runLoop.advance(kHeldClickUpDelay);
    platform::Event up = down;
    up.setType(mouse::LeftUp);
    EXPECT_EQ(delivered(), up);
    EXPECT_TRUE(nothingDelivered());
    EXPECT_TRUE(ActiveGesItems::shared().empty());
}

TEST_F(GestureRoadTest, ThreeFingerSwipeDrivesTheDockSwipeToItsRoundedGoal) {
    bindGesture(kX, 3, ActGes::Swipe, 0, ActDir::Left, BindAction::forAction(ActionId::ThreeFingerSwipeL));
    sim->displays.addDisplay("D-1", 60);
    sim->spaces.setSpaces("D-1", {11, 12, 13, 14}, 12);
    updateDisplayLink();
    constexpr double kTarget = 4.0 / 3.0;

    pad->dockSwipe(3, 1, {0.1, 0.3, 0.6});
    settle();
    ASSERT_FALSE(sim->events.posted.empty());
    const platform::Event began = sim->events.takePosted().event;
    EXPECT_EQ(began.integerField(132), phase::Began);
    EXPECT_DOUBLE_EQ(began.doubleField(124), 0.1 * kTarget);
    EXPECT_DOUBLE_EQ(swipeAnim().goal, 1.0);

    // Frames carry the swipe from 0.6 to the next Space, then close it there.
    for (int frame = 1; frame <= 120 && DLinkPara::shared().swipeLinkEn(); ++frame)
        sim->displayLinks.tick(sim::SimDisplayLinks::hostTimeAt(frame / 60.0));
    EXPECT_FALSE(DLinkPara::shared().swipeLinkEn());
    ASSERT_GE(sim->events.posted.size(), 2u);
    double last = 0.6 * kTarget;
    while (sim->events.posted.size() > 1) {
        const platform::Event e = sim->events.takePosted().event;
        EXPECT_EQ(e.integerField(132), phase::Changed);
        EXPECT_GE(e.doubleField(124), last - 1e-9);
        last = e.doubleField(124);
    }
    const platform::Event ended = sim->events.takePosted().event;
    EXPECT_EQ(ended.integerField(123), 1);
    EXPECT_EQ(ended.integerField(132), phase::Ended);
    EXPECT_DOUBLE_EQ(ended.doubleField(124), kTarget);

    // Only the synthetic swipe reached the applications, never the fingers' own.
    while (!nothingDelivered()) EXPECT_EQ(delivered().integerField(87), 0);
}

TEST_F(GestureRoadTest, FingersHoldingADockSwipeSetWhatEachFramePosts) {
    bindGesture(kX, 3, ActGes::Swipe, 0, ActDir::Left, BindAction::forAction(ActionId::ThreeFingerSwipeL));
    sim->displays.addDisplay("D-1", 60);
    sim->spaces.setSpaces("D-1", {11, 12, 13, 14}, 12);
    updateDisplayLink();
    constexpr double kTarget = 4.0 / 3.0;

    pad->touch(3);
    pad->send(pad->dockSwipe(1, phase::Began, 0.1));
    pad->send(pad->dockSwipe(1, phase::Changed, 0.35));
    settle();
    sim->events.clearLogs();
    sim->displayLinks.tick(sim::SimDisplayLinks::hostTimeAt(1 / 60.0));
    pad->send(pad->dockSwipe(1, phase::Changed, 0.5));
    sim->displayLinks.tick(sim::SimDisplayLinks::hostTimeAt(2 / 60.0));
    ASSERT_EQ(sim->events.posted.size(), 2u);
    for (double progress : {0.35, 0.5}) {
        const platform::Event frame = sim->events.takePosted().event;
        EXPECT_EQ(frame.integerField(123), 1);
        EXPECT_EQ(frame.integerField(132), phase::Changed);
        EXPECT_DOUBLE_EQ(frame.doubleField(124), progress * kTarget);
    }
    EXPECT_TRUE(swipeAnim().held);
}

TEST_F(GestureRoadTest, RotationAndZoomStepByTheirScalesWithTheSignOfTheirDirection) {
    // Clockwise: the values are negative and count forward at 1/80.
    bindGesture(kX, 2, ActGes::Rotate, 0, ActDir::CW, BindAction::forAction(ActionId::VolumeUpContinuous));
    pad->touch(2);
    pad->send(pad->gestureEvent(gesture::Translation, phase::Began));
    for (std::int64_t p : {phase::Began, phase::Changed, phase::Changed}) pad->send(pad->rotation(p, -8));
    settle();
    EXPECT_TRUE(nothingDelivered());  // the third event wins and begins at 0.1
    pad->send(pad->rotation(phase::Changed, -8));
    pad->send(pad->rotation(phase::Ended, 0));
    pad->send(pad->gestureEvent(gesture::Translation, phase::Ended));
    settle();
    for (int i = 0; i < 10; ++i) EXPECT_EQ(systemKeyPress(), kSoundUp) << i;
    EXPECT_TRUE(nothingDelivered());

    // Pinching: the values are negative and zoom in at 1/2, the magnify twice that.
    sim->events.clearLogs();
    bindGesture(kX, 2, ActGes::Zoom, 0, ActDir::Pinch, BindAction::forAction(ActionId::ZoomIn));
    pad->send(pad->gestureEvent(gesture::Translation, phase::Began));
    for (std::int64_t p : {phase::Began, phase::Changed, phase::Changed}) pad->send(pad->zoom(p, -0.1));
    sim->runLoop.advance(kMagnifyFirstChangeDelay);
    pad->send(pad->zoom(phase::Changed, -0.04));
    pad->send(pad->zoom(phase::Ended, 0));
    pad->send(pad->gestureEvent(gesture::Translation, phase::Ended));
    settle();
    std::vector<std::pair<std::int64_t, double>> magnify;
    for (const auto& post : sim->events.posted)
        magnify.emplace_back(post.event.integerField(132), post.event.doubleField(113));
    ASSERT_EQ(magnify.size(), 4u);
    EXPECT_EQ(magnify[0], (std::pair<std::int64_t, double>{phase::Began, 0.0}));
    EXPECT_EQ(magnify[1].first, phase::Changed);
    EXPECT_DOUBLE_EQ(magnify[1].second, 0.1);
    EXPECT_EQ(magnify[2].first, phase::Changed);
    EXPECT_DOUBLE_EQ(magnify[2].second, 0.04);
    EXPECT_EQ(magnify[3], (std::pair<std::int64_t, double>{phase::Ended, 0.0}));
}

TEST_F(GestureRoadTest, DockSwipePinchAndRotationScaleTheirCumulativeProgress) {
    pad->touch(3);
    // Motion 3 at half the progress; the magnify follows each change, not the total.
    bindGesture(kX, 3, ActGes::Zoom, 0, ActDir::Pinch, BindAction::forAction(ActionId::ZoomIn));
    pad->send(pad->dockSwipe(3, phase::Began, 0.2));
    sim->runLoop.advance(kMagnifyFirstChangeDelay);
    pad->send(pad->dockSwipe(3, phase::Changed, 0.3));
    pad->send(pad->dockSwipe(3, phase::Changed, 0.5));
    pad->send(pad->dockSwipe(3, phase::Ended, 0.5));
    settle();
    std::vector<double> values;
    for (const auto& post : sim->events.posted) values.push_back(post.event.doubleField(113));
    ASSERT_EQ(values.size(), 5u);
    EXPECT_DOUBLE_EQ(values[1], 0.2);   // 2 x 0.1 at the start
    EXPECT_DOUBLE_EQ(values[2], 0.1);   // 2 x 0.05
    EXPECT_DOUBLE_EQ(values[3], 0.2);   // 2 x 0.1

    // Motion 4 at 2/pi: a quarter turn of progress is one whole unit.
    sim->events.clearLogs();
    pad->sent.clear();
    bindGesture(kX, 3, ActGes::Rotate, 0, ActDir::CW, BindAction::forAction(ActionId::VolumeUpContinuous));
    pad->send(pad->dockSwipe(4, phase::Began, std::numbers::pi / 20));
    pad->send(pad->dockSwipe(4, phase::Changed, std::numbers::pi / 10));
    pad->send(pad->dockSwipe(4, phase::Ended, std::numbers::pi / 10));
    settle();
    for (int i = 0; i < 10; ++i) EXPECT_EQ(systemKeyPress(), kSoundUp) << i;
    EXPECT_TRUE(nothingDelivered());
}

TEST_F(GestureRoadTest, PulseGoesToTheTrackpadTouchedLast) {
    Trackpad& builtIn = addDevice(kBuiltInTrackpad);
    builtIn.at = kOverX;
    const auto magicActuator = sim->multitouch.actuator(pad->touchSurface());
    const auto builtInActuator = sim->multitouch.actuator(builtIn.touchSurface());

    builtIn.swipe(2, {{-6, 1}, {-20, 2}});
    pad->swipe(2, {{-6, 1}, {-20, 2}});
    settle();
    const auto pulses = sim->multitouch.actuations();
    ASSERT_EQ(pulses.size(), 2u);
    EXPECT_EQ(pulses[0].actuator, builtInActuator);
    EXPECT_EQ(pulses[1].actuator, magicActuator);
    EXPECT_EQ(pulses[0].actuationId, 6);
}

TEST_F(GestureRoadTest, HeldModifiersFallBackToTheLargestBoundSubsetAndPassTheRestOn) {
    bindGesture(kX, 2, ActGes::Swipe, ModMask::Command, ActDir::Left, hotkey(kCommand, kRightBracket));
    bindGesture(kX, 2, ActGes::Swipe, ModMask::Option, ActDir::Left, hotkey(kOption, kRightBracket));
    pad->flags = kCommand | kShift;
    pad->swipe(2, {{-6, 1}, {-20, 2}});
    settle();
    // The Command binding; Shift is left over and joins the hotkey.
    expectKeyTap(kRightBracket, kCommand | kShift, 56);
    EXPECT_TRUE(nothingDelivered());
}

} // namespace
} // namespace corv::engine
