#pragma once

// The selectable keyboard input sources (emoji and press-and-hold sources
// left out) and the position of the current one, in ShellState. Main thread.

namespace corv::app {

// Rebuilds the list and the position.
void reloadInputSources();
// Recomputes the position only.
void updateCurrentInputSource();
// Follows the system's two input-source notifications.
void observeInputSources();

} // namespace corv::app
