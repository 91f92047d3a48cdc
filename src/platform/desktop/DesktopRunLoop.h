#pragma once

#include "platform/RunLoop.h"

#include <QElapsedTimer>

#include <cstdint>
#include <memory>
#include <unordered_map>

namespace corv::desktop {

// The run loop on Qt's event loop. Create it on the main thread after the
// QCoreApplication; tasks run on that thread. Posted tasks, from any thread,
// share one queue in posting order; on glib's main context (Qt's usual
// dispatcher) it is a source of its own, woken through a pipe, so that a
// task from a device thread costs one wake-up and no Qt event.
class DesktopRunLoop final : public platform::RunLoop {
public:
    DesktopRunLoop();
    ~DesktopRunLoop() override;
    DesktopRunLoop(const DesktopRunLoop&) = delete;
    DesktopRunLoop& operator=(const DesktopRunLoop&) = delete;

    // Seconds since the loop was created, on a monotonic clock.
    double now() const override;
    void post(platform::Task task) override;
    platform::TimerId postAfter(double seconds, platform::Task task) override;
    platform::TimerId repeating(double interval, platform::Task task) override;
    void cancel(platform::TimerId id) override;
    void runFor(double seconds) override;
    void postFromAnyThread(platform::Task task) override;

    // Timers scheduled and not yet finished or cancelled.
    std::size_t timerCount() const { return timers_.size(); }

private:
    class Context;
    class Tasks;

    struct Timer {
        std::shared_ptr<platform::Task> task;
        std::int64_t intervalMs = 0;  // the period of a repeating timer
        std::int64_t leftMs = 0;      // still to wait once the Qt timer fires
        bool repeats = false;
        int qtId = 0;
        bool qtRepeats = false;       // the Qt timer itself repeats
    };

    platform::TimerId schedule(std::int64_t delayMs, std::int64_t intervalMs, platform::Task task);
    void arm(platform::TimerId id, Timer& timer);
    void fired(int qtId);
    void runQueued(platform::TimerId id);

    QElapsedTimer clock_;
    std::unique_ptr<Context> context_;
    std::unique_ptr<Tasks> tasks_;  // null: Qt's queued calls carry the tasks
    std::unordered_map<platform::TimerId, Timer> timers_;
    std::unordered_map<int, platform::TimerId> byQtId_;
    platform::TimerId nextId_ = 1;
};

} // namespace corv::desktop
