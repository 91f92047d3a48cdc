#pragma once

// Keyboard focus shows as a ring in the accent colour round the focused
// control, only while the focus came from the keyboard (Tab, Backtab); a
// click hides it. Clicked buttons take no focus, so no focus box stays on
// them.

namespace corv::ui {

// Installs the ring once per process run.
void installFocusRing();

} // namespace corv::ui
