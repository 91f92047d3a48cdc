#pragma once

// The application and window under the pointer: finding them, bringing the
// window forward and toggling its full-screen state. Main thread.

#include "platform/Accessibility.h"
#include "platform/Point.h"
#include "platform/Workspace.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace corv::engine {

// Identifier fragments of applications whose windows are left alone.
inline constexpr std::array<std::string_view, 7> zoomWindowExcludedApps{
    "com.apple.dock",
    "com.apple.dock.helper",
    "com.brelvantoque.ravelquindt",
    "com.brelvantoque.corvadine",
    "com.apple.CharacterPaletteIM",
    "com.apple.controlcenter",
    "com.apple.inputmethod.AssistiveControl",
};

// The id chain: bundle identifier when not empty, else bundle path, else
// localized name, else "".
std::string resolveAppId(const platform::RunningApplication& app);

// Whether the id contains any of `zoomWindowExcludedApps`, ignoring case.
bool isZoomWindowExcluded(const std::string& bundleId);

// Refreshes `CurrentApp` (and `currentRunningApp`) for a point in global
// coordinates.
void appUnderCursor(platform::Point point);

// Brings the window recorded in `CurrentApp` forward and activates its
// application.
void raiseWindowUnderCursor();

// Refreshes the record for the point, then toggles the full-screen state of
// the window under it.
void toggleFullScreen(platform::Point point);

// The element of window `CurrentApp.windowId` of application `CurrentApp.pid`
// among its first 100 windows.
std::optional<platform::AXElement> appWindows();
// The same, but only when the application has two or more windows.
std::optional<platform::AXElement> appWindowToRaise();

} // namespace corv::engine
