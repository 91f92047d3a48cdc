#pragma once

// The keys the key tap may change, told to the platform so that it passes the
// others by without the tap: every key with a binding in any profile (so the
// application in front does not matter), or all keys while a Logitech
// modifier is held. Main thread.

namespace corv::engine {

// Tells the platform now, and again whenever the bindings change.
void followKeyInterest();
void stopFollowingKeyInterest();
// Tells the platform again.
void updateKeyInterest();

} // namespace corv::engine
