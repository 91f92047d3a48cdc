#pragma once

namespace corv::desktop {

// Whether a compositing manager runs on the program's X screen (the owner of
// _NET_WM_CM_S<screen>): without one, what a window leaves clear shows the
// server's fill, so rounded windows are shaped instead. Off X11 the desktop
// composites.
bool compositingManagerRuns();

} // namespace corv::desktop
