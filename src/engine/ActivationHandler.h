#pragma once

// The workspace's application-activation notification. Main thread.

#include "platform/Workspace.h"

namespace corv::engine {

// Keeps the activated application in the process map and, when it is not
// the current one, makes it current (bundle id, pid and settings key; the
// window and accessibility element stay).
void onActiveNote(const platform::RunningApplication& app);

} // namespace corv::engine
