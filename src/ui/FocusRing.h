#pragma once

// Keyboard focus shows as a ring in the accent colour round the focused
// control, from the first Tab or Backtab on, wherever the keys then move
// the focus; a click hides it until the next Tab. Clicked buttons take no
// focus, so no focus box stays on them, and scroll areas take none at all.

namespace corv::ui {

// Installs the ring once per process run.
void installFocusRing();

} // namespace corv::ui
