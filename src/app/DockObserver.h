#pragma once

// Follows the Dock's accessibility notifications into the Mission Control
// state, and attaches again 0.5 seconds after the Dock process ends.

#include "platform/AxObservers.h"
#include "platform/WorkspaceNotes.h"

#include <array>
#include <optional>
#include <string>

namespace corv::app {

inline constexpr const char* kDockBundleId = "com.apple.dock";
inline constexpr double kDockRestartDelay = 0.5;

// In the order they are added and removed.
inline constexpr std::array<const char*, 7> kDockNotifications{
    "AXExposeShowAllWindows", "AXExposeShowFrontWindows", "AXExposeShowDesktop", "AXExposeExit",
    "AXExposeWindowGroup",    "AXLaunchpadShown",         "AXLaunchpadHidden",
};

class DockObserver {
public:
    static DockObserver& shared();

    void start();
    void stop();
    // The Dock process ended.
    void dockTerminated();

    std::optional<platform::RunningApplication> dockApp;
    std::optional<platform::AxObserverId> dockObserver;
    std::optional<platform::AXElement> dockRef;

private:
    std::optional<platform::TerminationObserverId> terminationWatch_;
};

// Sets the Mission Control state for a notification of the Dock.
void onDockNotification(const std::string& name);

} // namespace corv::app
