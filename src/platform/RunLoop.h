#pragma once

#include <cstdint>
#include <functional>

namespace corv::platform {

using Task = std::function<void()>;
using TimerId = std::uint64_t;

// The main run loop and its queue. Every delay, timer and "later turn of the
// main queue" goes through here. All members but postFromAnyThread are called
// on the main thread.
class RunLoop {
public:
    virtual ~RunLoop() = default;

    // Seconds on the loop's clock.
    virtual double now() const = 0;

    // Runs the task on a later turn of the main queue.
    virtual void post(Task task) = 0;

    // Runs the task once, after the delay; the id cancels it.
    virtual TimerId postAfter(double seconds, Task task) = 0;

    // Runs the task every interval until cancelled.
    virtual TimerId repeating(double interval, Task task) = 0;

    // Cancels a pending or repeating task; an unknown id is ignored.
    virtual void cancel(TimerId id) = 0;

    // Spins the loop re-entrantly until now() + seconds, performing due work.
    virtual void runFor(double seconds) = 0;

    // Hands a task to the main queue from any thread.
    virtual void postFromAnyThread(Task task) = 0;
};

} // namespace corv::platform
