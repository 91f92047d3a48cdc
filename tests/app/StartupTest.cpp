#include "ShellFixture.h"

#include "engine/KeyboardInput.h"
#include "engine/TrackpadInput.h"

#include "app/DockObserver.h"
#include "app/MainWinManager.h"
#include "app/StatusItems.h"
#include "app/Relaunch.h"
#include "model/ApplicationSets.h"
#include "model/Apps.h"
#include "model/Options.h"
#include "model/SettingsStore.h"
#include "model/ShellState.h"
#include "model/UIState.h"
#include "platform/Localization.h"

namespace corv::app {
namespace {

using platform::MouseButton;
using platform::WorkspaceNote;

class StartupTest : public test::ShellTest {
protected:
    // Stored settings with the icon hidden and both notifications on.
    void storeSettings(bool hideIcon) {
        Options::shared().hideIcon.set(hideIcon);
        Options::shared().theme.set(3);
        ASSERT_TRUE(saveSettings());
        resetShared();
    }
};

TEST_F(StartupTest, TrustedLaunchStartsEverythingInOrder) {
    sim->workspace.addApp(300, kDockBundleId, "Dock");
    sim->workspace.addApp(301, "com.example.mail", "Mail");
    const auto surface = sim->multitouch.addDevice(0x31);
    launch();

    // What the machine was asked, in order: every tap is on before any HID
    // manager or client opens; the Logitech manager opens before the keyboard one.
    const std::vector<std::string> calls{"hid client DeviceUsage=2 DeviceUsagePage=1",
                                         "multitouch start " + std::to_string(surface),
                                         "tap 0x60400000 off",
                                         "tap 0x60400000 on",
                                         "tap 0xde off",
                                         "tap 0xde on",
                                         "tap 0x1c00 off",
                                         "tap 0x1c00 on",
                                         "bluetooth start",
                                         "hid manager open VendorID=1133",
                                         "hid manager open DeviceUsage=6 DeviceUsagePage=1",
                                         "hid client DeviceUsage=6 DeviceUsagePage=1",
                                         "hid system open"};
    EXPECT_EQ(sim->journal.calls(), calls);

    const std::vector<std::string> expected{
        "terminateOtherInstances", "installClickFilter", "setActivationPolicy", "loadSettings",
        "startTrackpadServiceWatch", "startMultitouchDevices", "installEngineTapHandlers", "enableGestureTap",
        "enableClickTap", "enableKeyTap",
        "startBluetoothManager", "startLogiDeviceMonitor", "startKeyboardHidManager", "startHidServiceWatch",
        "openHIDPostManager", "startTrackpadPrefs", "menuBarDisplaySize", "makeMicStatusItem", "makeMainStatusItem",
        "fillMenu", "configureMainButton", "fillRunningAppsByPid", "observeWorkspace", "observeInputSources",
        "loadAppCatalogues", "registerDisplayReconfiguration", "updateDisplayLink", "reloadInputSources",
        "copyNotificationSwitches", "startDockObserver", "showPanelWithoutTray"};
    EXPECT_EQ(steps, expected);

    EXPECT_EQ(sim->axObservers.prompts, 0);
    EXPECT_TRUE(sim->lifecycle.alerts.empty());
    EXPECT_EQ(sim->lifecycle.policy, platform::ActivationPolicy::Accessory);
    EXPECT_EQ(sim->lifecycle.clickFilter(2), 1);
    EXPECT_EQ(sim->lifecycle.clickFilter(1), 1);
    EXPECT_EQ(taps(), (TapStates{true, true, true}));

    // Items, menu and button.
    EXPECT_FALSE(micItem().visible);
    EXPECT_EQ(micItem().image.symbol, "microphone.slash");
    EXPECT_TRUE(mainItem().visible);
    EXPECT_EQ(mainItem().toolTip, "Corvadine");
    EXPECT_EQ(mainItem().sendOn, (std::vector<MouseButton>{MouseButton::Left, MouseButton::Right}));
    ASSERT_EQ(AppDelegate::shared().menu.size(), 2u);
    EXPECT_EQ(AppDelegate::shared().menu[0].title, platform::localized("Button restart"));
    EXPECT_EQ(AppDelegate::shared().menu[1].title, "Quit");

    // The process map, the seven notices in order, the input sources and the Dock.
    EXPECT_EQ(ShellState::shared().runningAppsByPid.size(), 2u);
    EXPECT_EQ(sim->workspaceNotes.registered,
              (std::vector<WorkspaceNote>{WorkspaceNote::DidLaunchApplication, WorkspaceNote::DidTerminateApplication,
                                          WorkspaceNote::DidActivateApplication, WorkspaceNote::DidWake,
                                          WorkspaceNote::WillSleep, WorkspaceNote::SessionDidBecomeActive,
                                          WorkspaceNote::SessionDidResignActive}));
    EXPECT_TRUE(sim->inputSources.enabledChanged && sim->inputSources.selectedChanged);
    EXPECT_EQ(sim->axObservers.observers.size(), 1u);
    EXPECT_EQ(sim->displays.callbackCount(), 1u);
    // Nothing saved, no panel made.
    EXPECT_EQ(sim->defaults.syncCount, 0);
    EXPECT_TRUE(sim->windows.panels.empty());
}

// The background block finds the installed applications before the running
// ones, so a running application named as an installed one joins no list twice.
TEST_F(StartupTest, TheBackgroundBlockScansTheInstalledThenTheRunningApplications) {
    sim->appFolders.desktopApps = {{"org.example.Mail", "Mail", "/usr/share/applications/org.example.Mail.desktop", "", ""}};
    sim->workspace.addApp(301, "com.example.mail", "Mail");
    launch();
    auto& sets = ApplicationSets::shared();
    EXPECT_TRUE(sets.installedApps.empty());
    sim->background.runAll();
    sim->runLoop.runPending();
    ASSERT_EQ(sets.installedApps.size(), 1u);
    EXPECT_EQ(sets.installedApps.begin()->id, "org.example.Mail");
    ASSERT_EQ(sets.runningApps.size(), 1u);
    ASSERT_EQ(sets.allApps.size(), 1u);
    EXPECT_EQ(sets.allApps.begin()->id, "org.example.Mail");
}

TEST_F(StartupTest, AfterTheLaunchBoundKeysAndGesturesOfTheGlobalProfileArePerformed) {
    test::Trackpad pad(*sim, test::kMagicTrackpad);
    test::Keyboard keyboard(*sim, 0x7201);
    launch();
    Apps::shared().a.modify([](AppEntries& entries) {
        BindAction space;
        space.isHotkey = true;
        space.hotkeyMod = test::kCommand;
        space.hotkeyKey = test::key::Space;
        entries[""].key[test::key::K][0] = space;
        BindAction bracket = space;
        bracket.hotkeyKey = test::kLeftBracket;
        entries[""].ges[2][ActGes::Swipe][0][ActDir::Left] = bracket;
    });

    keyboard.pressKey(test::key::K);
    keyboard.releaseKey(test::key::K);
    pad.swipe(2, {{-6, 1}, {-20, 2}, {-30, 1}});
    sim->runLoop.runPending();
    // The key's hotkey, then the swipe's, each down and up; nothing of the
    // key or the scroll reached the applications.
    std::vector<std::pair<std::uint32_t, std::int64_t>> keys;
    while (!sim->events.delivered.empty()) {
        const auto e = sim->events.takeDelivered();
        if (e.type() == 10 || e.type() == 11) keys.emplace_back(e.type(), e.integerField(9));
        EXPECT_NE(e.type(), 22u) << "a bound scroll passed";
    }
    const std::vector<std::pair<std::uint32_t, std::int64_t>> expected{
        {10, test::key::Space}, {11, test::key::Space}, {10, test::kLeftBracket}, {11, test::kLeftBracket}};
    EXPECT_EQ(keys, expected);
}

TEST_F(StartupTest, StoredSettingsDecideTheIconAndTheNotificationSwitches) {
    storeSettings(true);
    launch();
    EXPECT_FALSE(mainItem().visible);
    EXPECT_TRUE(Options::shared().hideIcon.get());
    EXPECT_TRUE(UIState::shared().micMuteNotif.get());
    EXPECT_TRUE(UIState::shared().capslockNotif.get());
    EXPECT_EQ(sim->lifecycle.quitRequests, 0);
    EXPECT_TRUE(sim->lifecycle.listening);
}

TEST_F(StartupTest, SecondCopyAsksTheFirstToQuitAndShowsItsIcon) {
    storeSettings(true);
    sim->lifecycle.otherCopies = 1;
    launch();
    EXPECT_EQ(sim->lifecycle.quitRequests, 1);
    // The stored hidden icon does not hide it again once loaded.
    EXPECT_FALSE(Options::shared().hideIcon.get());
    EXPECT_TRUE(mainItem().visible);
}

// With no tray the icon cannot be shown: the user is told once and finds the
// panel open; a hidden icon or a tray changes nothing at start.
TEST_F(StartupTest, WithoutATrayTheStartSaysSoOnceAndOpensThePanel) {
    struct Case {
        const char* what;
        bool tray;
        bool hideIcon;
        bool secondCopy;
        bool told;
    };
    const Case cases[] = {
        {"a tray", true, false, false, false},
        {"a tray, second copy", true, true, true, false},
        {"no tray", false, false, false, true},
        {"no tray, icon hidden", false, true, false, false},
        {"no tray, second copy of a hidden icon", false, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        resetShared();
        sim.reset();
        sim = std::make_unique<sim::SimPlatform>();
        storeSettings(c.hideIcon);
        sim->statusBar.tray = c.tray;
        sim->lifecycle.otherCopies = c.secondCopy ? 1 : 0;
        launch();
        ASSERT_EQ(sim->notifications.posted.size(), c.told ? 1u : 0u);
        EXPECT_EQ(sim->windows.panels.size() == 1 && panel().visible, c.told);
        EXPECT_EQ(MainWinManager::shared().showing.get(), c.told);
        if (!c.told) continue;
        EXPECT_EQ(sim->notifications.posted[0].identifier, kNoTrayNoticeId);
        EXPECT_NE(sim->notifications.posted[0].body.find("AppIndicator"), std::string::npos);
        // Another window taken to the front closes the panel; the program runs on.
        sim->lifecycle.resignActive();
        sim->runLoop.runFor(1);
        EXPECT_FALSE(panel().visible);
        EXPECT_EQ(sim->lifecycle.terminateRequests, 0);
        EXPECT_EQ(sim->notifications.posted.size(), 1u);
    }
}

TEST_F(StartupTest, UntrustedLaunchPromptsThenRelaunchesWithTheSameArguments) {
    storeSettings(false);
    const auto stored = sim->defaults.values;
    sim->axObservers.trusted = false;
    sim->bundle.bundlePath = "/opt/it's \"$HOME\" `id` \\x/corvadine";
    sim->bundle.args = {sim->bundle.bundlePath, "settings file.plist", "$(rm -rf ~)"};
    sim->lifecycle.alertAnswer = platform::kAlertFirstButton;
    launch();

    EXPECT_EQ(sim->axObservers.prompts, 1);
    ASSERT_EQ(sim->lifecycle.alerts.size(), 1u);
    EXPECT_EQ(sim->lifecycle.alerts[0].message, platform::localized("trusted alert title"));
    EXPECT_EQ(sim->lifecycle.alerts[0].informative, platform::localized("trusted alert message"));
    EXPECT_EQ(sim->lifecycle.alerts[0].buttons,
              (std::vector<std::string>{platform::localized("Button relaunch"), platform::localized("Button cancel")}));
    // The path and the arguments reach the shell as its own arguments, as they are.
    EXPECT_EQ(sim->processes.takeStart(),
              (sim::SimProcesses::Start{"/bin/sh",
                                        {"-c", kRelaunchScript, sim->bundle.bundlePath, "settings file.plist",
                                         "$(rm -rf ~)"},
                                        true}));
    EXPECT_TRUE(sim->processes.starts.empty());
    EXPECT_TRUE(sim->lifecycle.terminated);
    // Nothing was launched, and the stored settings were not overwritten.
    EXPECT_TRUE(steps.empty());
    EXPECT_TRUE(sim->statusBar.items.empty());
    EXPECT_EQ(sim->defaults.values, stored);
}

TEST_F(StartupTest, UntrustedLaunchQuitsOnTheOtherButtonAndNoAlertAfterAGrantedPrompt) {
    sim->axObservers.trusted = false;
    sim->lifecycle.alertAnswer = platform::kAlertFirstButton + 1;
    launch();
    EXPECT_TRUE(sim->processes.starts.empty());
    EXPECT_TRUE(sim->lifecycle.terminated);
    EXPECT_TRUE(steps.empty());

    resetShared();
    steps.clear();
    sim.reset();
    sim = std::make_unique<sim::SimPlatform>();
    sim->axObservers.trusted = false;
    sim->axObservers.trustedAfterPrompt = true;
    launch();
    EXPECT_EQ(sim->axObservers.prompts, 1);
    EXPECT_TRUE(sim->lifecycle.alerts.empty());
    EXPECT_FALSE(steps.empty());
}

TEST_F(StartupTest, MenuRestartRelaunchesAndQuitEndsAfterTheTerminationPath) {
    // Started with a settings file: the restart imports neither it nor a later one.
    sim->files.fileContents["/home/user/saved.plist"] = sim->files.fileContents["later"] = *settingsFileBytes();
    sim->bundle.args = {sim->bundle.bundlePath, "--missing", "/home/user/saved.plist", "later"};
    launch();
    mainItem().chooseInMenu = platform::localized("Button restart");
    mainItem().click(MouseButton::Right);
    EXPECT_EQ(sim->processes.takeStart().arguments,
              (std::vector<std::string>{"-c", kRelaunchScript, sim->bundle.bundlePath}));
    EXPECT_TRUE(sim->lifecycle.terminated);
    // Termination ran: taps off, settings saved.
    EXPECT_EQ(taps(), (TapStates{false, false, false}));
    EXPECT_EQ(sim->defaults.syncCount, 1);

    resetShared();
    sim.reset();
    sim = std::make_unique<sim::SimPlatform>();
    steps.clear();
    launch();
    mainItem().chooseInMenu = "Quit";
    mainItem().click(MouseButton::Right);
    EXPECT_TRUE(sim->processes.starts.empty());
    EXPECT_TRUE(sim->lifecycle.terminated);
    EXPECT_EQ(sim->defaults.syncCount, 1);
}

} // namespace
} // namespace corv::app
