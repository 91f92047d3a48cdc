#pragma once

// What the application shell keeps for the engine: the Mission Control
// state, the running applications by process id, the input sources and where
// the settings panel was last placed. Main thread.

#include "platform/Displays.h"
#include "platform/InputSources.h"
#include "platform/Workspace.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace corv {

// The Mission Control state set from the Dock's notifications.
enum class DockState : std::uint8_t { None = 0, AllWindows = 1, FrontWindows = 2, Launchpad = 3, Desktop = 4 };

struct ShellState {
    // A `DockState` value.
    std::uint8_t dockState = 0;
    std::map<std::int32_t, platform::RunningApplication> runningAppsByPid;
    // The selectable keyboard sources, without emoji and press-and-hold ones.
    std::vector<platform::InputSource> inputSources;
    // The position of the selected source in `inputSources`; -1 when absent.
    std::int64_t currentInputSourceIndex = -1;
    // The screen that held the panel's origin when it was last placed.
    std::optional<platform::Screen> panelScreen;
    // The menu-bar display's size at launch, then the size of the panel's
    // screen each time the panel is placed on one.
    double menuBarWidth = 0;
    double menuBarHeight = 0;

    static ShellState& shared();
};

} // namespace corv
