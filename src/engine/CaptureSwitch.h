#pragma once

// The settings panel's captures pause the engine's live taps: the gesture
// capture (trackpad tab) pauses the scroll-and-gesture tap and the key tap,
// the key capture (keyboard tab) the key tap.

namespace corv::engine {

void beginGestureCapture();
void endGestureCapture();
void beginKeyCapture();
void endKeyCapture();

} // namespace corv::engine
