#include "app/AppDelegate.h"

#include "app/DockObserver.h"
#include "app/InputSourceList.h"
#include "app/MainWinManager.h"
#include "app/ProcessMap.h"
#include "app/Relaunch.h"
#include "app/SleepWake.h"
#include "app/StatusItems.h"
#include "app/Subsystems.h"
#include "app/TrackpadPrefs.h"
#include "engine/DisplayLink.h"
#include "engine/DisplaySpaces.h"
#include "engine/EngineTaps.h"
#include "engine/HIDPostManager.h"
#include "engine/LiveTaps.h"
#include "engine/MicMute.h"
#include "engine/ShortcutList.h"
#include "engine/TrackpadTaps.h"
#include "model/ApplicationSets.h"
#include "model/InstalledAppScan.h"
#include "model/Options.h"
#include "model/SettingsStore.h"
#include "model/Shared.h"
#include "model/ShellState.h"
#include "model/UIState.h"
#include "platform/Platform.h"

namespace corv::app {

namespace {

using platform::WorkspaceNote;

// The lists the panel offers, made in the background at launch.
void loadAppCatalogues() {
    engine::refreshShortcutNames();
    platform::background().run([] {
        scanInstalledApps(CallerThread::Background);
        refreshRunningApps(CallerThread::Background);
    });
}

} // namespace

AppDelegate& AppDelegate::shared() { return Shared<AppDelegate>::instance(); }

AppDelegate::AppDelegate() {
    platform::lifecycle().setHandlers({
        [] { AppDelegate::shared().applicationWillTerminate(); },
        [] { AppDelegate::shared().applicationWillResignActive(); },
        [] { AppDelegate::shared().applicationWillBecomeActive(); },
    });
}

int collapseDoubleClick(int clickCount) { return clickCount >= 2 ? 1 : clickCount; }

bool terminateOtherInstances() {
    if (platform::lifecycle().askOtherCopiesToQuit() == 0) return false;
    Options::shared().hideIcon.set(false);
    return true;
}

void AppDelegate::step(std::string_view name) {
    if (stepObserver) stepObserver(name);
}

void AppDelegate::applicationWillFinishLaunching() {
    step("terminateOtherInstances");
    otherCopiesAsked = terminateOtherInstances();
    step("installClickFilter");
    platform::lifecycle().setLocalClickFilter(&collapseDoubleClick);
}

void AppDelegate::applicationDidFinishLaunching() {
    auto& shell = ShellState::shared();
    step("setActivationPolicy");
    platform::lifecycle().setActivationPolicy(platform::ActivationPolicy::Accessory);
    step("loadSettings");
    settingsLoad = loadSettings();
    // The settings just loaded must not hide the icon of a copy that replaced others.
    if (otherCopiesAsked) Options::shared().hideIcon.set(false);
    step("startTrackpadServiceWatch");
    startTrackpadServiceWatch();
    step("startMultitouchDevices");
    startMultitouchDevices();
    // The taps hand their events to the engine from their first event on.
    step("installEngineTapHandlers");
    engine::installTrackpadTapHandlers();
    engine::installKeyTapHandler();
    step("enableGestureTap");
    engine::setTapEnabled(engine::gestureTap());
    step("enableClickTap");
    engine::setTapEnabled(engine::clickTap());
    step("enableKeyTap");
    engine::setTapEnabled(engine::keyTap());
    step("startBluetoothManager");
    startBluetoothManager();
    step("startLogiDeviceMonitor");
    startLogiDeviceMonitor();
    step("startKeyboardHidManager");
    startKeyboardHidManager();
    step("startHidServiceWatch");
    startHidServiceWatch();
    step("openHIDPostManager");
    engine::HIDPostManager::shared();
    UIState::shared();
    step("startTrackpadPrefs");
    startTrackpadPrefs();
    step("menuBarDisplaySize");
    const auto size = engine::menuBarDisplaySize();
    shell.menuBarWidth = size.width;
    shell.menuBarHeight = size.height;
    step("makeMicStatusItem");
    makeMicStatusItem();
    step("makeMainStatusItem");
    makeMainStatusItem();
    step("fillMenu");
    menu = makeStatusMenu();
    step("configureMainButton");
    configureMainButton();
    step("fillRunningAppsByPid");
    fillRunningAppsByPid();
    step("observeWorkspace");
    auto& notes = platform::workspaceNotes();
    notes.addObserver(WorkspaceNote::DidLaunchApplication, &onAppLaunch);
    notes.addObserver(WorkspaceNote::DidTerminateApplication, &onAppTerminate);
    notes.addObserver(WorkspaceNote::DidActivateApplication, &onActiveNote);
    notes.addObserver(WorkspaceNote::DidWake, [](const auto&) { onWakeNote(); });
    notes.addObserver(WorkspaceNote::WillSleep, [](const auto&) { onSleepNote(); });
    notes.addObserver(WorkspaceNote::SessionDidBecomeActive, [](const auto&) { onWakeNote(); });
    notes.addObserver(WorkspaceNote::SessionDidResignActive, [](const auto&) { onSleepNote(); });
    step("observeInputSources");
    observeInputSources();
    step("loadAppCatalogues");
    loadAppCatalogues();
    step("registerDisplayReconfiguration");
    platform::displays().registerReconfigurationCallback(&engine::displayReconfigured, nullptr);
    step("updateDisplayLink");
    engine::updateDisplayLink();
    step("reloadInputSources");
    reloadInputSources();
    step("copyNotificationSwitches");
    const auto theme = Options::shared().theme.get();
    UIState::shared().micMuteNotif.set((theme & 1) != 0);
    UIState::shared().capslockNotif.set((theme & 2) != 0);
    step("startDockObserver");
    DockObserver::shared().start();
    step("showPanelWithoutTray");
    showPanelWithoutTray();
    launched = true;
}

void AppDelegate::applicationWillResignActive() {
    auto& panel = MainWinManager::shared();
    if (panel.showing.get()) panel.hidePanel();
    platform::app().hide();
}

void AppDelegate::applicationWillBecomeActive() {
    auto& options = Options::shared();
    if (!options.hideIcon.get()) return;
    if (firstActivationPending) {
        firstActivationPending = false;
        return;
    }
    options.hideIcon.set(false);
}

void AppDelegate::applicationWillTerminate() {
    // No later copy can take it back.
    platform::notifications().withdraw(kNoTrayNoticeId);
    // Ended before the launch had loaded the settings: nothing to take down,
    // and saving would put the defaults over the stored settings.
    if (!launched) return;
    finalSaveFailed = !app::applicationWillTerminate();
}

void AppDelegate::quitClick() {
    terminationRequested = true;
    platform::lifecycle().terminate();
}

void AppDelegate::restartClick() {
    terminationRequested = true;
    relaunchApp();
}

void AppDelegate::micMute() { engine::toggleMicMute(); }

} // namespace corv::app
