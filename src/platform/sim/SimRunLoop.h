#pragma once

#include "platform/RunLoop.h"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace corv::sim {

// A run loop on a virtual clock. Nothing runs until the test advances time;
// due tasks then run in time order, ties in the order they were scheduled.
// The clock counts whole nanoseconds, so steps that add up to a delay reach
// it exactly. runFor(0) is one pass of the loop: it runs the work due when
// it starts; work posted meanwhile waits for the next pass.
class SimRunLoop final : public platform::RunLoop {
public:
    double now() const override { return static_cast<double>(now_) / 1e9; }
    void post(platform::Task task) override;
    platform::TimerId postAfter(double seconds, platform::Task task) override;
    platform::TimerId repeating(double interval, platform::Task task) override;
    void cancel(platform::TimerId id) override;
    void runFor(double seconds) override;
    void postFromAnyThread(platform::Task task) override;

    // Moves the clock forward, running every task that falls due on the way.
    void advance(double seconds);
    // Runs what is due now, including tasks those tasks post for now.
    void runPending() { advance(0); }
    // Number of scheduled tasks (timers included).
    std::size_t pendingCount();

private:
    using Ticks = std::int64_t;  // nanoseconds
    struct Entry {
        platform::TimerId id;
        platform::Task task;
        Ticks interval;  // > 0 for repeating tasks
    };
    using Key = std::pair<Ticks, std::uint64_t>;  // due time, sequence

    static Ticks toTicks(double seconds);
    Ticks later(Ticks delay) const;
    platform::TimerId schedule(Ticks due, platform::Task task, Ticks interval);
    void drainInbox();
    void runOnePass();

    Ticks now_ = 0;
    std::uint64_t seq_ = 0;
    platform::TimerId nextId_ = 1;
    std::map<Key, Entry> queue_;
    std::mutex inboxMutex_;
    std::vector<platform::Task> inbox_;
};

} // namespace corv::sim
