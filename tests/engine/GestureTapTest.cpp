#include "TrackpadInput.h"

#include "engine/GestureTap.h"
#include "model/ActionTable.h"
#include "model/ActiveGesItems.h"
#include "model/GesState.h"
#include "model/UIState.h"

namespace corv::engine {
namespace {

using namespace test;

class GestureTapTest : public EditorTrackpadTest {};

TEST_F(GestureTapTest, NoProfileEntryMeansNoBindingsAndNoClickThrough) {
    // Neither the application nor the global profile has an entry.
    Apps::shared().a.set({});
    UIState::shared().tapToClick.set(true);
    pad->swipe(2, {{-6, 1}, {-20, 2}});
    pad->momentum(2);
    pad->send(pad->gestureEvent(gesture::Translation, phase::Began));
    pad->send(pad->rotation(phase::Began, 1));
    pad->send(pad->zoom(phase::Changed, 1));
    pad->touch(1);
    pad->send(pad->force(phase::Began, 1));
    pad->send(pad->click(mouse::LeftDown));
    pad->send(pad->force(phase::Ended, 1));
    pad->send(pad->click(mouse::LeftUp));
    pad->dockSwipe(3, 1, {0.2, 0.4});
    pad->send(pad->dockSwipe(5, phase::Began, 0));
    settle();
    expectAllPassedUntouched(*pad);
    EXPECT_TRUE(sim->workspace.activations.empty());
    EXPECT_FALSE(GesState::shared().inertia);
}

TEST_F(GestureTapTest, PhaseNoneIsSwallowedButForZoomToggleAndSubtypeNone) {
    pad->send(pad->gestureEvent(gesture::Scroll, phase::None));
    pad->send(pad->gestureEvent(gesture::Rotation, phase::None));
    pad->send(pad->gestureEvent(gesture::ZoomToggle, phase::None));
    pad->send(pad->gestureEvent(0, phase::Began));
    EXPECT_EQ(delivered(), pad->sent[2]);
    EXPECT_EQ(delivered(), pad->sent[3]);
    EXPECT_TRUE(nothingDelivered());
}

TEST_F(GestureTapTest, OverTheIconStripScrollingOnlyMovesTheStrip) {
    bindGesture(kApp, 2, ActGes::Swipe, 0, ActDir::Left, hotkey(kCommand, kLeftBracket));
    UIState::shared().inHScrollBar.set(true);
    pad->swipe(2, {{-6, 1}, {-20, 2}});
    settle();
    EXPECT_DOUBLE_EQ(UIState::shared().offset.get(), -26);
    EXPECT_FALSE(UIState::shared().scrolling.get());
    expectAllPassedUntouched(*pad);
}

TEST_F(GestureTapTest, ScrollClickThroughRaisesTheWindowAndLetsItSettle) {
    Apps::shared().a.modify([](AppEntries& e) { e[kApp].sct = true; });
    bindGesture(kApp, 2, ActGes::Swipe, 0, ActDir::Left, hotkey(kCommand, kLeftBracket));
    pad->send(pad->scrollGesture(phase::Began, -6, 1));
    EXPECT_EQ(sim->workspace.activations, std::vector<std::int32_t>{kPid});
    EXPECT_DOUBLE_EQ(sim->runLoop.now(), kScrollClickThroughWait);
    EXPECT_TRUE(nothingDelivered());
}

TEST_F(GestureTapTest, NewSwipeEndsTheMultiShotSwipeStillRunning) {
    bindGesture(kApp, 2, ActGes::Swipe, 0, ActDir::Left, hotkey(kCommand, kLeftBracket, true));
    pad->send(pad->scrollGesture(phase::Began, -40, 1));
    pad->send(pad->scrollGesture(phase::Changed, -40, 0));  // progress 0.1: one tap
    settle();
    const platform::Event down = delivered();
    EXPECT_EQ(down.type(), 10u);
    EXPECT_EQ(delivered().type(), 11u);
    EXPECT_TRUE(nothingDelivered());

    // No end came; the next began closes the old swipe with its modifier release.
    pad->send(pad->scrollGesture(phase::Began, 0, 5));
    settle();
    EXPECT_EQ(delivered(), pad->sent.back());
    const platform::Event release = delivered();
    EXPECT_EQ(release.type(), 12u);
    EXPECT_EQ(release.integerField(9), 55);
    EXPECT_TRUE(nothingDelivered());
}

TEST_F(GestureTapTest, UnboundWinnerRepostsItsBeganAndPassesItsOwnEvents) {
    // A Rotate entry exists, so the competition runs; counter-clockwise is unbound.
    bindGesture(kApp, 2, ActGes::Rotate, 0, ActDir::CW, hotkey(kCommand, kLeftBracket));
    pad->send(pad->rotation(phase::Began, 1));
    pad->send(pad->gestureEvent(gesture::Translation, phase::Began));
    pad->send(pad->zoom(phase::Began, 0.1));
    pad->send(pad->rotation(phase::Changed, 1));
    EXPECT_TRUE(nothingDelivered());
    pad->send(pad->rotation(phase::Changed, 1));  // third: wins without a binding
    EXPECT_EQ(delivered(), pad->sent[0]);
    EXPECT_EQ(delivered(), pad->sent[4]);
    pad->send(pad->zoom(phase::Changed, 0.1));
    pad->send(pad->gestureEvent(gesture::Translation, phase::Changed));
    pad->send(pad->rotation(phase::Changed, 1));
    EXPECT_EQ(delivered(), pad->sent.back());
    EXPECT_TRUE(nothingDelivered());
    EXPECT_TRUE(sim->events.posted.size() == 1 && sim->events.posted[0].route == sim::SimEventSystem::Route::Proxy);
}

TEST_F(GestureTapTest, WithoutRotateOrZoomEntriesPinchAndRotationPass) {
    bindGesture(kApp, 2, ActGes::Swipe, 0, ActDir::Left, hotkey(kCommand, kLeftBracket));
    pad->send(pad->gestureEvent(gesture::Translation, phase::Began));
    pad->send(pad->rotation(phase::Began, 1));
    for (int i = 0; i < 4; ++i) {
        pad->send(pad->zoom(phase::Changed, 0.1));
        pad->send(pad->rotation(phase::Changed, 1));
    }
    pad->send(pad->gestureEvent(gesture::Translation, phase::Ended));
    pad->send(pad->rotation(phase::Ended, 0));
    pad->send(pad->zoom(phase::Ended, 0));
    settle();
    expectAllPassedUntouched(*pad);
    EXPECT_TRUE(ActiveGesItems::shared().empty());
}

TEST_F(GestureTapTest, ForceClickFiresItsClickBindingOnReleaseWithoutPulse) {
    bindGesture(kApp, 2, ActGes::Click, 0, ActDir::None, hotkey(kCommand, kLeftBracket));
    pad->touch(2);
    pad->send(pad->click(mouse::LeftDown));  // resolves the application
    pad->send(pad->force(phase::Began, 1));
    pad->send(pad->force(phase::Changed, 1));
    settle();
    EXPECT_EQ(delivered(), pad->sent[0]);
    EXPECT_TRUE(nothingDelivered());
    pad->send(pad->force(phase::Ended, 1));
    settle();
    expectKeyTap(kLeftBracket, kCommand, 55);
    EXPECT_TRUE(nothingDelivered());
    EXPECT_TRUE(sim->multitouch.actuations().empty());
    EXPECT_FALSE(GesState::shared().preventE22);
}

TEST_F(GestureTapTest, ForceClickReportingADeepClickFromItsStartStillFiresItsClickOnce) {
    // No click has resolved an application: the global profile applies.
    bindGesture("", 2, ActGes::Click, 0, ActDir::None, hotkey(kCommand, kLeftBracket));
    pad->touch(2);
    pad->send(pad->force(phase::Began, 2));
    pad->send(pad->force(phase::Changed, 2));
    pad->send(pad->force(phase::Ended, 2));
    settle();
    // The tap of the key and the release of what it pressed; nothing else.
    expectKeyTap(kLeftBracket, kCommand, 55);
    EXPECT_TRUE(nothingDelivered());
}

TEST_F(GestureTapTest, OneFingerForceClickWithoutTapToClickPassesAndStillFindsTheDeepClick) {
    bindGesture(kApp, 1, ActGes::Click, 0, ActDir::None, hotkey(kCommand, kRightBracket));
    bindGesture(kApp, 1, ActGes::Click2, 0, ActDir::None, hotkey(kCommand, kLeftBracket));
    pad->touch(1);
    pad->send(pad->click(mouse::LeftDown));
    pad->send(pad->force(phase::Began, 1));
    pad->send(pad->scrollWheel(phase::Changed, 0, 3));  // no scrolling during a force click
    pad->send(pad->force(phase::Changed, 2));
    pad->send(pad->force(phase::Ended, 1));
    pad->send(pad->click(mouse::LeftUp));
    settle();
    // The stage-1 events pass; the deep click fires and its event is swallowed.
    EXPECT_EQ(delivered(), pad->sent[0]);
    EXPECT_EQ(delivered(), pad->sent[1]);
    EXPECT_EQ(delivered(), pad->sent[4]);
    EXPECT_EQ(delivered(), pad->sent[5]);
    expectKeyTap(kLeftBracket, kCommand, 55);
    EXPECT_TRUE(nothingDelivered());
}

TEST_F(GestureTapTest, DockSwipeTapFiresTheTapBindingOfTheLargestFingerCount) {
    bindGesture(kApp, 3, ActGes::Tap, 0, ActDir::None, hotkey(kCommand, kLeftBracket));
    pad->touch(3);
    pad->touch(1);
    pad->send(pad->dockSwipe(5, phase::Began, 0));
    settle();
    expectKeyTap(kLeftBracket, kCommand, 55);
    EXPECT_TRUE(nothingDelivered());
    EXPECT_TRUE(ActiveGesItems::shared().empty());
}

TEST_F(GestureTapTest, TimeoutNoticeSwitchesTheTapBackOn) {
    const auto tap = gestureTap().tap;
    EXPECT_TRUE(sim->events.sendTimeoutNotice(tap));
    EXPECT_TRUE(sim->events.isEnabled(tap));
}

} // namespace
} // namespace corv::engine
