#pragma once

// A thread that watches the main loop turn while the program holds input.
// When the loop has not turned for the stall bound, it lifts what the posting
// device holds and lets every grabbed node go (GrabTable); the loop's next
// turn hands the devices back to be taken again. A termination signal the
// loop does not take up within a bound ends the process the same way.

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
    // How often the main loop proves that it turns.
    static constexpr double kBeatInterval = 0.1;

    // Main thread. `recover` runs on the main thread at its first turn after
    // the watchdog let the devices go.
    InputWatchdog(platform::RunLoop& loop, double stallBound, std::function<void()> recover);
    ~InputWatchdog();
    InputWatchdog(const InputWatchdog&) = delete;
    InputWatchdog& operator=(const InputWatchdog&) = delete;

    // Main thread: whether there is input to guard.
    void watch(bool on);
    // Any thread: the devices were let go for a stall and not yet taken again.
    bool letGo() const { return letGo_.load(); }
    // Seconds from the last turn to the let-go, of the last stall; 0 before one.
    double lastReleaseAfter() const { return static_cast<double>(releaseAfterNs_.load()) / 1e9; }

    // Async-signal-safe: SIGTERM or SIGINT came. A second one while the
    // first is not taken up and input is held lets everything go and ends
    // the process at once.
    static void terminationRequested(int signal);

private:
    void run();
    void beat();
    void wake() const;

    platform::RunLoop& loop_;
    const std::int64_t stallNs_;
    std::function<void()> recover_;
    std::atomic<bool> watching_{false};
    std::atomic<bool> letGo_{false};
    std::atomic<bool> stop_{false};
    std::atomic<std::int64_t> lastBeatNs_{0};
    std::atomic<std::int64_t> releaseAfterNs_{0};
    platform::TimerId beatTimer_ = 0;
    int wake_[2] = {-1, -1};
    std::unique_ptr<QObject> context_;
    std::thread thread_;
};

} // namespace corv::desktop
