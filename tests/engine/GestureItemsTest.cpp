#include "EngineFixture.h"

#include "engine/DisplayLink.h"
#include "engine/GestureItems.h"
#include "engine/Magnify.h"
#include "engine/MultitouchDevices.h"
#include "engine/SwipeAnimation.h"
#include "model/ActionTable.h"
#include "model/GesState.h"
#include "model/Haptic.h"
#include "model/ShellState.h"

namespace corv::engine {
namespace {

constexpr std::uint64_t kCommand = 0x100000;
constexpr std::uint64_t kControl = 0x40000;
constexpr std::uint64_t kOption = 0x80000;

BindAction action(std::int64_t id, bool multiShot) {
    BindAction b = BindAction::forAction(id);
    b.multiShot = multiShot;
    return b;
}

BindAction hotkey(std::uint64_t mods, std::uint16_t key, bool multiShot) {
    BindAction b;
    b.isHotkey = true;
    b.hotkeyMod = mods;
    b.hotkeyKey = key;
    b.multiShot = multiShot;
    return b;
}

class GestureItemsTest : public test::EngineTest {
protected:
    void SetUp() override {
        sim->multitouch.addDevice(7);
        startMultitouchDevices();
    }

    // Moves the gesture to x and steps it.
    void moveTo(GesItem& item, double x) {
        item.delta = x - item.x;
        item.x = x;
        stepGesItem(item, false);
    }

    // The key type of each system-defined press delivered, in order; the
    // releases in between are checked to match.
    std::vector<int> systemKeyPresses() {
        settle();
        std::vector<int> types;
        while (!sim->events.delivered.empty()) {
            auto press = sim->events.takeDelivered();
            EXPECT_EQ(press.type(), 14u);
            EXPECT_FALSE(sim->events.delivered.empty());
            auto release = sim->events.takeDelivered();
            EXPECT_EQ(release.systemData().data1 >> 16, press.systemData().data1 >> 16);
            types.push_back(static_cast<int>(press.systemData().data1 >> 16));
        }
        return types;
    }

    std::size_t pulses() const { return sim->multitouch.actuations().size(); }
};

TEST_F(GestureItemsTest, MultiShotReversalFiresTheOppositeBindingPerQuantum) {
    GesItem item;
    item.map.binding = action(ActionId::VolumeUpContinuous, true);
    item.map.bindingOppo = action(ActionId::VolumeDownContinuous, true);
    beginGesItem(item);
    EXPECT_EQ(item.state, GesPhase::In);
    EXPECT_EQ(pulses(), 0u);

    moveTo(item, 0.1);
    EXPECT_EQ(item.lastStep, 5);
    EXPECT_EQ(systemKeyPresses(), (std::vector<int>(5, 0)));
    moveTo(item, 0.02);
    EXPECT_EQ(item.lastStep, 1);
    EXPECT_EQ(systemKeyPresses(), (std::vector<int>(4, 1)));
    EXPECT_EQ(pulses(), 9u);

    endGesItem(item);
    EXPECT_EQ(item.state, GesPhase::Done);
    settle();
    EXPECT_TRUE(sim->events.delivered.empty());
}

TEST_F(GestureItemsTest, StepsRoundHalfToEvenAndBackwardsWithoutOppositeIsSilent) {
    GesItem item;
    item.map.binding = action(ActionId::VolumeUpContinuous, true);
    beginGesItem(item);
    moveTo(item, 0.25);
    EXPECT_EQ(item.lastStep, 12);
    moveTo(item, 0.75);
    EXPECT_EQ(item.lastStep, 38);
    EXPECT_EQ(systemKeyPresses().size(), 38u);
    moveTo(item, 0.0);
    settle();
    EXPECT_TRUE(sim->events.delivered.empty());
    EXPECT_EQ(pulses(), 38u);
}

TEST_F(GestureItemsTest, MultiShotHotkeyRepeatsEveryTenthAndReleasesCommandAtTheEnd) {
    GesItem item;
    item.map.binding = hotkey(kCommand, 33, true);
    beginGesItem(item);
    moveTo(item, 0.21);
    turn();
    ASSERT_EQ(sim->events.delivered.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        auto down = sim->events.takeDelivered();
        EXPECT_EQ(down.type(), 10u);
        EXPECT_EQ(down.integerField(9), 33);
        EXPECT_EQ(down.flags(), kCommand);
    }
    turn();
    ASSERT_EQ(sim->events.delivered.size(), 2u);
    EXPECT_EQ(sim->events.takeDelivered().type(), 11u);
    EXPECT_EQ(sim->events.takeDelivered().type(), 11u);

    endGesItem(item);
    settle();
    auto release = sim->events.takeDelivered();
    EXPECT_EQ(release.type(), 12u);
    EXPECT_EQ(release.integerField(9), 55);
    EXPECT_EQ(release.flags(), 0x100u);
    EXPECT_TRUE(sim->events.delivered.empty());
}

TEST_F(GestureItemsTest, SingleShotFiresOnceAndItsReleaseNamesControl) {
    GesItem item;
    item.map.binding = hotkey(kControl | kOption, 4, false);
    beginGesItem(item);
    moveTo(item, 0.001);
    EXPECT_EQ(item.state, GesPhase::Done);
    EXPECT_EQ(pulses(), 1u);
    sim->runLoop.advance(1);
    sim->events.clearLogs();
    endGesItem(item);
    settle();
    auto release = sim->events.takeDelivered();
    EXPECT_EQ(release.type(), 12u);
    EXPECT_EQ(release.integerField(9), 59);
    EXPECT_TRUE(sim->events.delivered.empty());
}

TEST_F(GestureItemsTest, PulsesFollowTheHapticSwitches) {
    Haptic::shared().sEnable.set(false);
    GesItem single;
    single.map.binding = action(ActionId::MediaNext, false);
    beginGesItem(single);
    moveTo(single, 0.5);
    EXPECT_EQ(pulses(), 0u);

    GesItem multi;
    multi.map.binding = action(ActionId::VolumeUpContinuous, true);
    beginGesItem(multi);
    moveTo(multi, 0.04);
    EXPECT_EQ(pulses(), 2u);

    Haptic::shared().sEnable.set(true);
    GesItem click;
    click.map.binding = action(ActionId::MediaNext, false);
    beginGesItem(click);
    stepGesItem(click, true);
    EXPECT_EQ(pulses(), 2u);
}

TEST_F(GestureItemsTest, ThreeFingerSwipeTowardsNoSpaceReturnsToTheStart) {
    sim->displays.addDisplay("main-display", 60.0);
    updateDisplayLink();
    GesItem item;
    item.map.binding = action(ActionId::ThreeFingerSwipeL, true);
    item.x = item.delta = -0.05;  // towards the previous Space, from the first
    beginGesItem(item);
    auto& anim = swipeAnim();
    EXPECT_TRUE(anim.held.get());
    EXPECT_LE(anim.target.get(), 0.0);
    EXPECT_TRUE(DLinkPara::shared().swipeLinkEn());
    moveTo(item, -0.3);
    EXPECT_DOUBLE_EQ(anim.pos.get(), 0.3);
    endGesItem(item);
    EXPECT_FALSE(anim.held.get());
    EXPECT_EQ(anim.goal.get(), 0.0);
    EXPECT_DOUBLE_EQ(anim.remaining.get(), -0.3);
}

TEST_F(GestureItemsTest, VerticalAndPinchSwipesTakeTheirSignFromTheDockState) {
    sim->displays.addDisplay("main-display", 60.0);
    updateDisplayLink();
    struct Case {
        std::int64_t action;
        std::uint8_t dockState;
        double x;
        std::int64_t motion;
        double target;
    };
    const Case cases[] = {
        {ActionId::ThreeFingerSwipeU, 0, 0.2, 2, 1.0},  {ActionId::ThreeFingerSwipeU, 1, 0.2, 2, -1.0},
        {ActionId::ThreeFingerSwipeD, 2, 0.2, 2, 1.0},  {ActionId::ThreeFingerSwipeD, 1, 0.2, 2, -1.0},
        {ActionId::ThreeFingerPinchIn, 3, 0.2, 3, 1.0}, {ActionId::ThreeFingerPinchIn, 0, 0.2, 3, -1.0},
        {ActionId::ThreeFingerPinchOut, 4, 0.2, 3, -1.0}, {ActionId::ThreeFingerPinchOut, 3, 0.2, 3, 1.0},
    };
    for (const Case& c : cases) {
        ShellState::shared().dockState = c.dockState;
        GesItem item;
        item.map.binding = action(c.action, true);
        item.x = item.delta = c.x;
        beginGesItem(item);
        const platform::Event began = sim->events.takePosted().event;
        EXPECT_EQ(began.integerField(123), c.motion) << c.action << " in state " << int(c.dockState);
        EXPECT_EQ(began.integerField(132), 1);
        EXPECT_DOUBLE_EQ(began.doubleField(124), c.x * c.target) << c.action << " in state " << int(c.dockState);
        EXPECT_DOUBLE_EQ(swipeAnim().target.get(), c.target);
        finishSwipeAtOnce();
        sim->events.clearLogs();
    }
}

TEST_F(GestureItemsTest, DockSwipeEndsAtTheNextWholeStepOnlyWhileAdvancing) {
    sim->displays.addDisplay("main-display", 60.0);
    sim->spaces.setSpaces("main-display", {11, 12, 13, 14}, 12);
    updateDisplayLink();
    auto& anim = swipeAnim();
    for (bool advancing : {true, false}) {
        GesItem item;
        item.map.binding = action(ActionId::ThreeFingerSwipeL, true);
        item.x = item.delta = 0.2;
        beginGesItem(item);
        moveTo(item, 0.7);
        if (!advancing) moveTo(item, 0.6);
        endGesItem(item);
        EXPECT_EQ(anim.goal.get(), advancing ? 1.0 : 0.0);
        EXPECT_DOUBLE_EQ(anim.remaining.get(), anim.goal.get() - anim.pos.get());
        EXPECT_EQ(anim.decay.get(), 1.0);
        finishSwipeAtOnce();
    }
}

TEST_F(GestureItemsTest, SingleShotSwipeAndZoomBindingsEndWithoutTouchingWhatRuns) {
    sim->displays.addDisplay("main-display", 60.0);
    updateDisplayLink();
    startDockSwipeAnimation(SwipeMotion::Vertical, +1);
    auto& anim = swipeAnim();
    const double goal = anim.goal, remaining = anim.remaining;

    GesItem swipe;
    swipe.map.binding = action(ActionId::ThreeFingerSwipeU, false);
    beginGesItem(swipe);
    moveTo(swipe, 0.3);
    endGesItem(swipe);
    EXPECT_EQ(anim.goal.get(), goal);
    EXPECT_EQ(anim.remaining.get(), remaining);
    EXPECT_FALSE(anim.held.get());
    finishSwipeAtOnce();
    sim->events.clearLogs();

    // A single zoom step is closed by its own timer, not by the gesture's end.
    GesItem zoom;
    zoom.map.binding = action(ActionId::ZoomIn, false);
    beginGesItem(zoom);
    moveTo(zoom, 0.3);
    endGesItem(zoom);
    EXPECT_EQ(Magnify::shared().magnifyState, 1);
    sim->runLoop.advance(1);
    std::vector<std::int64_t> phases;
    while (!sim->events.posted.empty()) phases.push_back(sim->events.takePosted().event.integerField(132));
    EXPECT_EQ(phases, (std::vector<std::int64_t>{1, 2, 4}));
}

TEST_F(GestureItemsTest, ZoomFamilyDrivesOneMagnifyAtTwiceTheFingersPace) {
    sim->windowServer.cursor = {300, 200};
    GesItem item;
    item.map.binding = action(ActionId::ZoomOut, true);
    item.x = item.delta = 0.1;
    beginGesItem(item);
    EXPECT_EQ(GesState::shared().loc, (Point{300, 200}));
    EXPECT_EQ(pulses(), 1u);
    moveTo(item, 0.15);
    endGesItem(item);
    sim->runLoop.advance(1);
    std::vector<std::pair<std::int64_t, double>> magnify;
    while (!sim->events.posted.empty()) {
        const platform::Event e = sim->events.takePosted().event;
        magnify.emplace_back(e.integerField(132), e.doubleField(113));
    }
    // Began, the step (0.05 zooms out 0.1), the end; the delayed first change
    // comes too late for the ended sequence.
    ASSERT_EQ(magnify.size(), 3u);
    EXPECT_EQ(magnify[0], (std::pair<std::int64_t, double>{1, 0.0}));
    EXPECT_EQ(magnify[1].first, 2);
    EXPECT_DOUBLE_EQ(magnify[1].second, -0.1);
    EXPECT_EQ(magnify[2], (std::pair<std::int64_t, double>{4, 0.0}));
    EXPECT_EQ(Magnify::shared().magnifyState, 0);
    EXPECT_EQ(pulses(), 1u);
}

} // namespace
} // namespace corv::engine
