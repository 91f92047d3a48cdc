#pragma once

// A thread that watches the main loop while the program holds input: while
// events handed to the main thread wait for it, or the posting device holds
// keys, the loop must turn within the stall bound. When it does not, the
// thread lifts what the posting device holds and lets every grabbed node go
// (GrabTable); the loop's next turn hands the devices back to be taken
// again. Quiet input costs no wake-up. A termination signal the loop does not
// take up within a bound ends the process the same way.

#include "platform/RunLoop.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

class QObject;

namespace corv::desktop {

class InputWatchdog {
public:
    // A termination signal the main loop has not taken up in this time ends
    // the process.
    static constexpr double kTerminationBound = 1.0;
    // How often the main loop proves that it turns while posted keys are down.
    static constexpr double kBeatInterval = 0.1;

    // Main thread. `recover` runs on the main thread at its first turn after
    // the watchdog let the devices go.
    InputWatchdog(platform::RunLoop& loop, double stallBound, std::function<void()> recover);
    ~InputWatchdog();
    InputWatchdog(const InputWatchdog&) = delete;
    InputWatchdog& operator=(const InputWatchdog&) = delete;

    // Main thread: whether there is input to guard.
    void watch(bool on);
    // Main thread: whether the posting device holds keys.
    void holding(bool on);
    // Any thread: an event, or a device taken and not read yet, was handed
    // to the main thread.
    void handedOver();
    // Main thread: it took one up.
    void claimed();
    // Any thread: the devices were let go for a stall and not yet taken again.
    bool letGo() const { return letGo_.load(); }

    // Async-signal-safe: SIGTERM or SIGINT came. A second one while the
    // first is not taken up and input is held lets everything go and ends
    // the process at once.
    static void terminationRequested(int signal);
    // Async-signal-safe: the process was continued after a stop; the loop
    // was stopped with it, which is no stall.
    static void continued();

private:
    void run();
    void beat();
    void wake() const;
    void recoverLater();

    platform::RunLoop& loop_;
    const std::int64_t stallNs_;
    std::function<void()> recover_;
    std::atomic<bool> watching_{false};
    std::atomic<bool> letGo_{false};
    std::atomic<bool> stop_{false};
    std::atomic<bool> holding_{false};
    std::atomic<std::int64_t> lastBeatNs_{0};
    // Events handed over and not taken up, and since when the loop owes a turn for them.
    std::atomic<int> pending_{0};
    std::atomic<std::int64_t> owedSinceNs_{0};
    // The thread waits with a time-out; else a first hand-over wakes it.
    std::atomic<bool> armed_{false};
    bool recoverQueued_ = false;  // main thread
    platform::TimerId beatTimer_ = 0;
    int wake_[2] = {-1, -1};
    std::unique_ptr<QObject> context_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::thread thread_;
};

} // namespace corv::desktop
