#pragma once

// Hands the scroll-and-gesture tap and the click tap to their handlers.

namespace corv::engine {

// Installs gestureTapHandler and clickTapHandler in EngineTaps.
void installTrackpadTapHandlers();

} // namespace corv::engine
