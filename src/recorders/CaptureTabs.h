#pragma once

// The keyboard and trackpad tabs start and end their captures: the highlights
// are cleared, the capture state reset, and the engine's live taps paused as
// far as the tab needs. Repeated calls do nothing.

namespace corv::recorders {

// Keyboard tab shown or hidden.
void beginKeyCapture();
void endKeyCapture();
// Trackpad tab shown or hidden.
void beginGestureCapture();
void endGestureCapture();

} // namespace corv::recorders
