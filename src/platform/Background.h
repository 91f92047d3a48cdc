#pragma once

#include "platform/RunLoop.h"

namespace corv::platform {

// Work off the main thread. A task hands its results back with
// RunLoop::postFromAnyThread.
class Background {
public:
    virtual ~Background() = default;
    virtual void run(Task task) = 0;
};

} // namespace corv::platform
