#pragma once

// The overviews a desktop shell shows over the windows (all windows, the
// application's windows, the application grid, the desktop), as the Dock
// stand-in drives them and the Mission Control state reads them.

#include <cstdint>
#include <functional>

namespace corv::desktop {

// Numbered as the Mission Control state.
enum class DesktopView : std::uint8_t { None = 0, AllWindows = 1, ApplicationWindows = 2, Grid = 3, Desktop = 4 };

// The shells whose overviews are known.
enum class DesktopShell { Other, Gnome, Kde, Cinnamon, Xfce };

using ViewsWatchId = std::uint64_t;

class DesktopViews {
public:
    virtual ~DesktopViews() = default;
    // What shows, as last heard from the shell (main thread).
    virtual DesktopView shown() const = 0;
    // Shows the view, or hides it; false when this shell has no such view
    // (nothing is sent). Nothing waits for the shell.
    virtual bool set(DesktopView view, bool show) = 0;
    // Runs on the main loop after each change of what shows.
    virtual ViewsWatchId watch(std::function<void(DesktopView)> changed) = 0;
    virtual void unwatch(ViewsWatchId id) = 0;
};

} // namespace corv::desktop
