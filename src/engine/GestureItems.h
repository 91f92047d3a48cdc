#pragma once

// Driving a gesture item through begin, step and end: firing its bindings,
// continuous dock swipes and magnifies, and haptic pulses.

#include "model/Buzz.h"
#include "model/GesItem.h"

namespace corv::engine {

// The item is recognised; multi-shot bindings start here.
void beginGesItem(GesItem& item);
// The item's x and delta changed; isClick suppresses the single-shot pulse.
void stepGesItem(GesItem& item, bool isClick);
// The fingers lifted or the gesture was cancelled.
void endGesItem(GesItem& item);

// One actuation of the trackpad last touched, when enabled.
void hapticPulse(bool enabled, const Buzz& parameters);

} // namespace corv::engine
