#include "ShellFixture.h"

#include "app/SleepWake.h"
#include "model/UIState.h"

namespace corv::app {
namespace {

using platform::WorkspaceNote;

class SleepWakeTest : public test::ShellTest {
protected:
    SleepWakeTest() {
        touchpad = sim->multitouch.addDevice(1);
        sim->displays.addDisplay("A", 60);
        launch();
    }
    // Taps off, as a sleep may leave them when the system disables them.
    void allTapsOff() {
        engine::switchTapOff(engine::gestureTap());
        engine::switchTapOff(engine::clickTap());
        engine::switchTapOff(engine::keyTap());
    }
    platform::MultitouchDevice touchpad{};
};

TEST_F(SleepWakeTest, WakeEnablesTheTapsThePanelHasNotPaused) {
    struct Case {
        const char* tab;
        bool trackpadTab, keyboardTab;
        TapStates after;
    };
    for (const Case c : {Case{"trackpad", true, false, {false, true, false}},
                         Case{"keyboard", false, true, {true, true, false}},
                         Case{"neither", false, false, {true, true, true}}}) {
        SCOPED_TRACE(c.tab);
        for (auto note : {WorkspaceNote::DidWake, WorkspaceNote::SessionDidBecomeActive}) {
            allTapsOff();
            UIState::shared().bindingTabShowed.set(c.trackpadTab);
            UIState::shared().keyboardTabShowing.set(c.keyboardTab);
            sim->workspaceNotes.post(note);
            EXPECT_EQ(taps(), c.after);
        }
    }
    // Enabling a tap that is on adds its source once.
    const int adds = sim->events.addSourceCalls;
    sim->workspaceNotes.post(WorkspaceNote::DidWake);
    EXPECT_EQ(sim->events.addSourceCalls, adds);
}

TEST_F(SleepWakeTest, MultitouchAndTheDisplayLinkRestartASecondAfterEveryWake) {
    EXPECT_EQ(sim->multitouch.callbackCount(touchpad), 1u);
    const auto queries = sim->displays.listQueries.size();
    sim->workspaceNotes.post(WorkspaceNote::WillSleep);
    sim->workspaceNotes.post(WorkspaceNote::DidWake);
    sim->runLoop.advance(0.99);
    EXPECT_EQ(sim->multitouch.callbackCount(touchpad), 1u);
    EXPECT_EQ(sim->displays.listQueries.size(), queries);
    // A sleep within that second does not stop it.
    sim->workspaceNotes.post(WorkspaceNote::SessionDidResignActive);
    sim->runLoop.advance(0.01);
    EXPECT_EQ(sim->multitouch.callbackCount(touchpad), 2u);
    EXPECT_GT(sim->displays.listQueries.size(), queries);
    // A wake without a sleep before it restarts them too.
    sim->workspaceNotes.post(WorkspaceNote::SessionDidBecomeActive);
    sim->workspaceNotes.post(WorkspaceNote::SessionDidBecomeActive);
    sim->runLoop.advance(1);
    EXPECT_EQ(sim->multitouch.callbackCount(touchpad), 4u);
}

TEST_F(SleepWakeTest, SleepAlwaysSavesTerminationOnlyUnlessToldNotTo) {
    UIState::shared().quitWithoutSave.set(true);
    sim->workspaceNotes.post(WorkspaceNote::WillSleep);
    EXPECT_EQ(sim->defaults.syncCount, 1);
    sim->workspaceNotes.post(WorkspaceNote::SessionDidResignActive);
    EXPECT_EQ(sim->defaults.syncCount, 2);
    // Sleep leaves the taps on.
    EXPECT_EQ(taps(), (TapStates{true, true, true}));

    sim->lifecycle.terminate();
    EXPECT_EQ(taps(), (TapStates{false, false, false}));
    EXPECT_FALSE(sim->events.sourceInMainLoop(engine::keyTap().tap));
    EXPECT_EQ(sim->defaults.syncCount, 2);
}

} // namespace
} // namespace corv::app
