#include "EngineFixture.h"

#include "engine/DisplayLink.h"
#include "engine/GestureItems.h"
#include "engine/MultitouchDevices.h"
#include "engine/SwipeAnimation.h"
#include "model/ActionTable.h"
#include "model/Haptic.h"

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
    EXPECT_TRUE(sim->events.delivered.empty());
    EXPECT_EQ(pulses(), 38u);
}

TEST_F(GestureItemsTest, MultiShotHotkeyRepeatsEveryTenthAndReleasesCommandAtTheEnd) {
    GesItem item;
    item.map.binding = hotkey(kCommand, 33, true);
    beginGesItem(item);
    moveTo(item, 0.21);
    ASSERT_EQ(sim->events.delivered.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        auto down = sim->events.takeDelivered();
        EXPECT_EQ(down.type(), 10u);
        EXPECT_EQ(down.integerField(9), 33);
        EXPECT_EQ(down.flags(), kCommand);
    }
    sim->runLoop.runPending();
    ASSERT_EQ(sim->events.delivered.size(), 2u);
    EXPECT_EQ(sim->events.takeDelivered().type(), 11u);
    EXPECT_EQ(sim->events.takeDelivered().type(), 11u);

    endGesItem(item);
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

} // namespace
} // namespace corv::engine
