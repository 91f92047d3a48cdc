#pragma once

// The engine's three live taps at start and termination.

namespace corv::engine {

// Hands the key tap to its handler, and tells the platform which keys it binds
// from now on.
void installKeyTapHandler();

// Installs the handlers of the scroll-and-gesture, click and key taps, makes
// the three taps and enables each.
void startEngineTaps();

// Switches the three taps off; what held bound keys pressed is let go.
void stopEngineTaps();

} // namespace corv::engine
