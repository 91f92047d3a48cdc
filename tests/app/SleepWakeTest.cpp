#include "ShellFixture.h"

#include "app/SleepWake.h"
#include "engine/HidServiceData.h"
#include "logitech/BluetoothManager.h"
#include "logitech/LogiKeybs.h"
#include "model/UIState.h"
#include "platform/sim/SimReceiver.h"

namespace corv::app {
namespace {

using platform::BluetoothState;
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
    // A Logitech keyboard reached directly over the transport, listed in entry k.
    void listDirectKeyboard(std::size_t k, const std::string& transport) {
        auto dev = sim->hidDevices.makeDevice({{platform::kHidTransportKey, transport}});
        logitech::LogiKeybsNoUI::shared().k.modify([&](auto& l) {
            l[k].valid = true;
            l[k].dev = dev;
        });
        logitech::LogiKeybsUI::shared().k.modify([&](auto& l) { l[k].valid = true; });
    }
    bool listed(std::size_t k) { return logitech::LogiKeybsNoUI::shared().k()[k].valid; }
    logitech::BluetoothManager& watcher() { return logitech::BluetoothManager::shared(); }
    void sleep() { sim->workspaceNotes.post(WorkspaceNote::WillSleep); }
    void wake() { sim->workspaceNotes.post(WorkspaceNote::DidWake); }

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
    sim->workspaceNotes.post(WorkspaceNote::DidWake);
    sim->runLoop.runPending();
    sim->workspaceNotes.post(WorkspaceNote::SessionDidResignActive);
    EXPECT_EQ(sim->defaults.syncCount, 2);
    // Sleep leaves the taps on.
    EXPECT_EQ(taps(), (TapStates{true, true, true}));

    sim->lifecycle.terminate();
    EXPECT_EQ(taps(), (TapStates{false, false, false}));
    EXPECT_FALSE(sim->events.sourceInMainLoop(engine::keyTap().tap));
    EXPECT_EQ(sim->defaults.syncCount, 2);
}

TEST_F(SleepWakeTest, AFloodOfSleepsSavesOnceAndTheSavesOfOneTurnAreMerged) {
    const int made = sim->hidDevices.managersCreated;
    for (int i = 0; i < 10000; ++i)
        sim->workspaceNotes.post(i % 2 ? WorkspaceNote::WillSleep : WorkspaceNote::SessionDidResignActive);
    EXPECT_EQ(sim->defaults.syncCount, 1);
    sim->runLoop.runPending();
    EXPECT_EQ(sim->defaults.syncCount, 1);
    // Sleeps after a wake within one turn: the first saves, the rest once later.
    for (int i = 0; i < 1000; ++i) {
        wake();
        sleep();
    }
    EXPECT_EQ(sim->defaults.syncCount, 2);
    sim->runLoop.runPending();
    EXPECT_EQ(sim->defaults.syncCount, 3);
    sim->runLoop.advance(kRestartAfterWakeDelay);
    EXPECT_EQ(sim->defaults.syncCount, 3);
    // Still asleep: the managers the wakes opened are closed, and a wake opens them once.
    EXPECT_EQ(sim->hidDevices.managersOpen(), 0);
    wake();
    EXPECT_EQ(sim->hidDevices.managersOpen(), 2);
    EXPECT_EQ(sim->hidDevices.managersCreated, made + 2 * 1001);
}

TEST_F(SleepWakeTest, SleepClosesTheManagersAndWakeFindsTheDevicesAnewOnce) {
    EXPECT_EQ(sim->hidDevices.managersOpen(), 2);
    listDirectKeyboard(0, "USB");
    sleep();
    EXPECT_EQ(sim->hidDevices.managersOpen(), 0);
    EXPECT_FALSE(watcher().waked);
    EXPECT_FALSE(watcher().deviceInited);
    EXPECT_TRUE(listed(0));

    const int made = sim->hidDevices.managersCreated;
    wake();
    EXPECT_FALSE(listed(0));
    EXPECT_EQ(sim->hidDevices.managersCreated, made + 2);
    EXPECT_EQ(sim->hidDevices.managersOpen(), 2);
    EXPECT_TRUE(watcher().waked);
    EXPECT_TRUE(watcher().deviceInited);
    // A second wake without a sleep finds nothing anew.
    listDirectKeyboard(0, "USB");
    sim->workspaceNotes.post(WorkspaceNote::SessionDidBecomeActive);
    EXPECT_TRUE(listed(0));
    EXPECT_EQ(sim->hidDevices.managersCreated, made + 2);
}

TEST_F(SleepWakeTest, ARequestUnansweredAtSleepDoesNotHoldBackTheFirstRequestAfterWake) {
    sim::SimReceiver receiver(sim->hidDevices, sim::SimReceiverKind::Unifying);
    receiver.drop({0x81, 0x00}, 1);
    receiver.plugIn();
    sim->runLoop.advance(0.5);
    ASSERT_EQ(receiver.device->written.size(), 1u);
    sleep();
    sim->runLoop.advance(0.5);
    wake();
    const double woke = sim->runLoop.now();
    sim->runLoop.advance(0.1);
    // The flag read is asked again at once, not after the old one's time-out.
    ASSERT_GE(receiver.device->written.size(), 2u);
    EXPECT_EQ(receiver.device->written[1], receiver.device->written[0]);
    EXPECT_LT(receiver.device->writeTimes[1] - woke, 0.1);
}

TEST_F(SleepWakeTest, ABluetoothKeyboardWaitsOnlyForARadioStillFindingItsState) {
    struct Case {
        BluetoothState state;
        bool atOnce;
    };
    for (const Case c : {Case{BluetoothState::PoweredOn, true}, Case{BluetoothState::PoweredOff, true},
                         Case{BluetoothState::Unsupported, true}, Case{BluetoothState::Unauthorized, true},
                         Case{BluetoothState::Unknown, false}, Case{BluetoothState::Resetting, false}}) {
        SCOPED_TRACE(static_cast<int>(c.state));
        listDirectKeyboard(1, "Bluetooth Low Energy");
        sleep();
        sim->bluetooth.report(c.state);
        wake();
        EXPECT_EQ(listed(1), !c.atOnce);
        EXPECT_EQ(watcher().deviceInited, c.atOnce);
        // Either way the re-discovery happens, within a bounded wait.
        sim->runLoop.advance(kBluetoothWakeWait);
        EXPECT_FALSE(listed(1));
        EXPECT_TRUE(watcher().deviceInited);
    }
}

TEST_F(SleepWakeTest, APoweredOnReportEndsTheWaitAndASleepCancelsIt) {
    listDirectKeyboard(1, "Bluetooth");
    sleep();
    sim->bluetooth.report(BluetoothState::Resetting);
    wake();
    EXPECT_TRUE(listed(1));
    sim->bluetooth.report(BluetoothState::PoweredOn);
    EXPECT_FALSE(listed(1));
    const int made = sim->hidDevices.managersCreated;
    sim->runLoop.advance(kBluetoothWakeWait);
    EXPECT_EQ(sim->hidDevices.managersCreated, made);

    // A sleep during the wait: the late re-discovery does not run while asleep.
    listDirectKeyboard(1, "Bluetooth");
    sleep();
    sim->bluetooth.report(BluetoothState::Unknown);
    wake();
    sleep();
    sim->runLoop.advance(kBluetoothWakeWait);
    EXPECT_TRUE(listed(1));
    EXPECT_EQ(sim->hidDevices.managersOpen(), 0);
}

TEST_F(SleepWakeTest, TerminationTakesTheMappingsOffAndGivesTheTrackpadsTheirDefault) {
    // A fresh start with one keyboard and one trackpad service.
    resetShared();
    sim.reset();
    sim = std::make_unique<sim::SimPlatform>();
    const auto keyboard = sim->hidServices.addService(test::KeyboardService{}.properties());
    const auto trackpad = sim->hidServices.addService(test::kMagicTrackpadService);
    launch();
    sim->runLoop.advance(1);
    sim->hidServices.writes.clear();

    sim->lifecycle.terminate();
    EXPECT_EQ(sim->hidDevices.managersOpen(), 0);
    std::vector<std::pair<platform::HidService, std::string>> writes;
    for (const auto& w : sim->hidServices.writes) writes.emplace_back(w.service, w.key);
    EXPECT_EQ(writes, (std::vector<std::pair<platform::HidService, std::string>>{
                          {keyboard, "UserKeyMapping"}, {trackpad, "HIDTrackpadScrollAcceleration"}}));
    EXPECT_EQ(sim->hidServices.writes[0].value, platform::HidProperty(platform::HidPropertyArray{}));
    EXPECT_EQ(sim->hidServices.writes[1].value, platform::HidProperty(std::int64_t{27648}));
    EXPECT_EQ(sim->defaults.syncCount, 1);
}

} // namespace
} // namespace corv::app
