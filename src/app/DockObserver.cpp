#include "app/DockObserver.h"

#include "model/Shared.h"
#include "model/ShellState.h"
#include "platform/Platform.h"

namespace corv::app {

DockObserver& DockObserver::shared() { return Shared<DockObserver>::instance(); }

void onDockNotification(const std::string& name) {
    static constexpr std::pair<const char*, DockState> table[] = {
        {"AXExposeShowAllWindows", DockState::AllWindows}, {"AXExposeShowFrontWindows", DockState::FrontWindows},
        {"AXExposeShowDesktop", DockState::Desktop},       {"AXExposeExit", DockState::None},
        {"AXLaunchpadShown", DockState::Launchpad},        {"AXLaunchpadHidden", DockState::None},
    };
    for (const auto& [n, state] : table)
        if (name == n) ShellState::shared().dockState = static_cast<std::uint8_t>(state);
}

void DockObserver::start() {
    const auto docks = platform::workspace().runningApplicationsWithBundleIdentifier(kDockBundleId);
    if (docks.empty()) return;
    const std::optional<platform::RunningApplication> dock = docks.front();
    dockApp = dock;
    terminationWatch_ = platform::workspaceNotes().observeTermination(dock->pid, [this] { dockTerminated(); });

    auto& ax = platform::axObservers();
    dockObserver = ax.createObserver(dock->pid, &onDockNotification);
    if (!dockObserver) return;
    dockRef = platform::accessibility().createApplication(dock->pid);
    for (const char* n : kDockNotifications) ax.addNotification(*dockObserver, *dockRef, n);
    ax.schedule(*dockObserver);
}

void DockObserver::stop() {
    if (!dockObserver || !dockRef) return;
    auto& ax = platform::axObservers();
    ax.unschedule(*dockObserver);
    for (const char* n : kDockNotifications) ax.removeNotification(*dockObserver, *dockRef, n);
    dockObserver.reset();
}

void DockObserver::dockTerminated() {
    if (terminationWatch_) platform::workspaceNotes().removeTerminationObserver(*terminationWatch_);
    terminationWatch_.reset();
    stop();
    platform::runLoop().postAfter(kDockRestartDelay, [] { DockObserver::shared().start(); });
}

} // namespace corv::app
