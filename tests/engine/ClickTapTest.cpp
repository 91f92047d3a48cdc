#include "TrackpadInput.h"

#include "engine/ClickTap.h"
#include "engine/GestureTap.h"
#include "engine/HeldModifiers.h"
#include "model/ActiveGesItems.h"
#include "model/UIState.h"

namespace corv::engine {
namespace {

using namespace test;

class ClickTapTest : public EditorTrackpadTest {
protected:
    void setClickThrough(const std::string& app, bool left, bool right) {
        Apps::shared().a.modify([&](AppEntries& e) {
            e[app].lct = left;
            e[app].rct = right;
        });
    }

    // A force click begins with the down, bound on deep click only, and the
    // down is held in its item.
    platform::Event holdDown(std::uint32_t downType, int fingers) {
        UIState::shared().tapToClick.set(true);
        bindGesture(kApp, static_cast<std::uint64_t>(fingers), ActGes::Click2, 0, ActDir::None,
                    hotkey(kCommand, kLeftBracket));
        pad->touch(fingers);
        gestureEventDuringNextSpin(pad->force(phase::Began, 1));
        pad->send(pad->click(downType));
        EXPECT_TRUE(nothingDelivered());
        auto item = ActiveGesItems::shared().find(ActiveGesItems::kForceClick);
        EXPECT_TRUE(item && item->heldDown);
        return pad->sent.back();
    }

    // The pointer over an Apple application with left click-through.
    void overAppleApplication() {
        openApp(50, "com.apple.finder", {900, 0, 400, 400});
        setEntry("com.apple.finder", AnApp{});
        setClickThrough("com.apple.finder", true, false);
        pad->at = {1000, 100};
    }

    // Input that reaches the taps while the click tap waits for the window.
    void duringTheWait(const platform::Event& e) {
        sim->runLoop.postAfter(kAppleClickThroughWait / 2, [this, e] { sim->events.inject(e); });
    }

    platform::Event movedBy(platform::Event e, std::uint32_t type, double dx) {
        e.setType(type);
        e.setLocation({e.location().x + dx, e.location().y});
        return e;
    }

};

TEST_F(ClickTapTest, UnboundClickPassesWithItsUpAndStrayUpsAreSwallowed) {
    pad->touch(1);
    pad->send(pad->click(mouse::LeftDown));
    pad->send(pad->click(mouse::LeftUp));
    pad->send(pad->click(mouse::LeftUp));
    pad->send(pad->click(mouse::RightUp));
    EXPECT_EQ(delivered(), pad->sent[0]);
    EXPECT_EQ(delivered(), pad->sent[1]);
    EXPECT_TRUE(nothingDelivered());
    EXPECT_TRUE(sim->workspace.activations.empty());
}

TEST_F(ClickTapTest, NoProfileEntryLeavesClicksAlone) {
    Apps::shared().a.set({});
    UIState::shared().tapToClick.set(true);
    pad->touch(2);
    pad->send(pad->click(mouse::LeftDown));
    pad->send(pad->click(mouse::LeftUp));
    pad->send(pad->click(mouse::RightDown));
    pad->send(pad->click(mouse::RightUp));
    settle();
    expectAllPassedUntouched(*pad);
    EXPECT_TRUE(sim->workspace.activations.empty());
}

TEST_F(ClickTapTest, HeldDownIsReplayedOnceTheFingerMovesFivePoints) {
    const platform::Event down = holdDown(mouse::LeftDown, 1);
    pad->send(movedBy(down, mouse::LeftDragged, 4));
    EXPECT_TRUE(nothingDelivered());
    pad->send(movedBy(down, mouse::LeftDragged, 5));
    EXPECT_EQ(delivered(), down);
    EXPECT_EQ(delivered(), pad->sent.back());
    pad->send(pad->click(mouse::LeftUp));
    EXPECT_EQ(delivered(), pad->sent.back());

    // The force click's end replays nothing more.
    pad->send(pad->force(phase::Ended, 1));
    sim->runLoop.advance(1);
    EXPECT_TRUE(nothingDelivered());
}

TEST_F(ClickTapTest, HeldRightDownIsReplayedOnMovementSoItsUpPasses) {
    const platform::Event down = holdDown(mouse::RightDown, 2);
    pad->send(movedBy(down, mouse::RightDragged, 3));
    EXPECT_TRUE(nothingDelivered());
    pad->send(movedBy(down, mouse::RightDragged, 6));
    EXPECT_EQ(delivered(), down);
    EXPECT_EQ(delivered(), pad->sent.back());
    pad->send(pad->force(phase::Ended, 1));
    pad->send(pad->click(mouse::RightUp));
    sim->runLoop.advance(1);
    EXPECT_EQ(delivered(), pad->sent.back());
    EXPECT_TRUE(nothingDelivered());
}

TEST_F(ClickTapTest, HeldRightDownIsReplayedWithARightUpWhenTheForceClickEnds) {
    setClickThrough(kApp, false, true);
    const platform::Event down = holdDown(mouse::RightDown, 2);
    pad->send(pad->force(phase::Ended, 1));
    pad->send(pad->click(mouse::RightUp));
    EXPECT_EQ(sim->workspace.activations, std::vector<std::int32_t>{kPid});
    settle();
    EXPECT_EQ(delivered(), down);
    EXPECT_TRUE(nothingDelivered());
    sim->runLoop.advance(kHeldClickUpDelay);
    platform::Event up = down;
    up.setType(mouse::RightUp);
    EXPECT_EQ(delivered(), up);
    EXPECT_TRUE(nothingDelivered());
}

TEST_F(ClickTapTest, HeldDownConsumedByABoundClickFiresItOnceAtRelease) {
    UIState::shared().tapToClick.set(true);
    bindGesture(kApp, 1, ActGes::Click, 0, ActDir::None, hotkey(kCommand, kLeftBracket));
    pad->touch(1);
    gestureEventDuringNextSpin(pad->force(phase::Began, 1));
    pad->send(pad->click(mouse::LeftDown));
    pad->send(pad->force(phase::Changed, 1));
    pad->send(pad->click(mouse::LeftUp));
    settle();
    EXPECT_TRUE(nothingDelivered());
    pad->send(pad->force(phase::Ended, 1));
    sim->runLoop.advance(1);
    // Neither the down nor its up reaches the application.
    expectKeyTap(kLeftBracket, kCommand, 55);
    EXPECT_TRUE(nothingDelivered());
}

TEST_F(ClickTapTest, HeldDownIsReplayedWhenANewForceClickReplacesItsItem) {
    setClickThrough(kApp, true, false);
    const platform::Event down = holdDown(mouse::LeftDown, 1);
    pad->send(pad->force(phase::Began, 1));
    EXPECT_EQ(sim->workspace.activations, std::vector<std::int32_t>{kPid});
    settle();
    EXPECT_EQ(delivered(), down);
    EXPECT_TRUE(nothingDelivered());
    // Its up passes; the new press ends with nothing held.
    const platform::Event up = pad->click(mouse::LeftUp);
    pad->send(up);
    pad->send(pad->force(phase::Ended, 1));
    sim->runLoop.advance(1);
    EXPECT_EQ(delivered(), up);
    EXPECT_TRUE(nothingDelivered());
}

TEST_F(ClickTapTest, LeftClickThroughRaisesUnlessOptionIsHeld) {
    setClickThrough(kApp, true, false);
    pad->flags = kOption;
    pad->send(pad->click(mouse::LeftDown));
    pad->send(pad->click(mouse::LeftUp));
    EXPECT_TRUE(sim->workspace.activations.empty());

    pad->flags = 0;
    pad->send(pad->click(mouse::LeftDown));
    EXPECT_EQ(sim->workspace.activations, std::vector<std::int32_t>{kPid});
    EXPECT_DOUBLE_EQ(sim->runLoop.now(), 0);  // no wait outside Apple's applications
    expectAllPassedUntouched(*pad);
}

TEST_F(ClickTapTest, AppleApplicationWaitsAndAnUpInTheMeantimeFollowsTheDown) {
    overAppleApplication();
    // The up reaches the click tap while the down waits; the application
    // still sees the down first, then one up.
    const platform::Event up = pad->click(mouse::LeftUp);
    sim->runLoop.post([&] { sim->events.inject(up); });
    const platform::Event down = pad->click(mouse::LeftDown);
    pad->send(down);
    EXPECT_EQ(sim->workspace.activations, std::vector<std::int32_t>{50});
    EXPECT_DOUBLE_EQ(sim->runLoop.now(), kAppleClickThroughWait);
    ASSERT_EQ(sim->events.posted.size(), 1u);
    EXPECT_EQ(sim->events.posted[0].route, sim::SimEventSystem::Route::Proxy);
    EXPECT_EQ(sim->events.posted[0].event, down);
    EXPECT_EQ(delivered(), down);
    EXPECT_EQ(delivered(), up);
    EXPECT_TRUE(nothingDelivered());
}

TEST_F(ClickTapTest, DragsDuringTheAppleWaitFollowTheDownInOrder) {
    overAppleApplication();
    const platform::Event down = pad->click(mouse::LeftDown);
    const platform::Event drag1 = movedBy(down, mouse::LeftDragged, 3);
    const platform::Event drag2 = movedBy(down, mouse::LeftDragged, 8);
    duringTheWait(drag1);
    duringTheWait(drag2);
    pad->send(down);
    EXPECT_EQ(delivered(), down);
    EXPECT_EQ(delivered(), drag1);
    EXPECT_EQ(delivered(), drag2);
    EXPECT_TRUE(nothingDelivered());
    // Later drags and the up pass as usual.
    pad->send(movedBy(down, mouse::LeftDragged, 12));
    pad->send(pad->click(mouse::LeftUp));
    EXPECT_EQ(delivered(), pad->sent[1]);
    EXPECT_EQ(delivered(), pad->sent[2]);
    EXPECT_TRUE(nothingDelivered());

    // With the up in the wait too: down, drags, up.
    sim->events.clearLogs();
    duringTheWait(drag1);
    duringTheWait(pad->click(mouse::LeftUp));
    pad->send(down);
    EXPECT_EQ(delivered(), down);
    EXPECT_EQ(delivered(), drag1);
    EXPECT_EQ(delivered().type(), mouse::LeftUp);
    settle();
    EXPECT_TRUE(nothingDelivered());
}

TEST_F(ClickTapTest, LogitechModifiersJoinTrackpadClicksOnly) {
    HeldModifiers::shared().logiModifierFlags = kCommand;
    pad->send(pad->click(mouse::LeftDown));
    EXPECT_EQ(delivered().flags(), kCommand);

    Trackpad& other = addDevice(kOtherTrackpad);
    other.send(other.click(mouse::LeftDown));
    EXPECT_EQ(delivered().flags(), 0u);
}

} // namespace
} // namespace corv::engine
