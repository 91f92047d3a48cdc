#pragma once

// The EWMH desktops through Xwayland, for a Wayland session whose compositor
// tells them no other way (GNOME without the program's extension). Mutter
// sets _NET_CURRENT_DESKTOP on Xwayland's root only after the first change:
// until then the first desktop is the current one. Any thread.

#include "platform/desktop/windows/CompositorWindows.h"

#include <optional>

namespace corv::desktop {

class X11Session;

// Nothing when the window manager does not say how many there are.
std::optional<CompositorDesktops> xwaylandDesktops(X11Session& x11);
// Asks for the desktop `step` away; false when there is none that way.
bool stepXwaylandDesktop(X11Session& x11, int step);

} // namespace corv::desktop
