#pragma once

// The thread that serves a compositor facility's connection of its own
// (sway's IPC, a Wayland connection): it waits on the connection and on a
// wake descriptor, runs the commands handed to it, in order, after what the
// compositor sent, and when the connection breaks forgets what the
// compositor told, says once on standard error that the program is blind,
// and connects again, after a wait that doubles from kFirstRetry up to
// kLastRetry while nothing answers.

#include "platform/desktop/windows/CompositorCache.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace corv::desktop {

constexpr std::chrono::milliseconds kFirstRetry{100};
constexpr std::chrono::milliseconds kLastRetry{5000};

// One connection to the compositor, used on the facility's thread alone.
class FacilityLink {
public:
    virtual ~FacilityLink() = default;
    // Once connected, on the thread: what the compositor is asked first;
    // false when the link broke.
    virtual bool begin() { return true; }
    // Before each wait: the descriptor to wait on; -1 when the link broke.
    virtual int prepare() = 0;
    // After it, `ready` when the descriptor has something: false when the
    // link broke.
    virtual bool serve(bool ready) = 0;
    // From another thread: ends a call that blocks on the compositor.
    virtual void interrupt() {}
};

class FacilityThread {
public:
    using Connect = std::function<std::unique_ptr<FacilityLink>()>;
    // False when the link broke.
    using Command = std::function<bool(FacilityLink&)>;

    // `name` is said in the log; `connect` gives a new link, or null while
    // nothing answers.
    FacilityThread(std::string name, CompositorCache& cache, Connect connect);
    ~FacilityThread();
    FacilityThread(const FacilityThread&) = delete;
    FacilityThread& operator=(const FacilityThread&) = delete;

    // Serves the link, already connected, on a thread of its own.
    void start(std::unique_ptr<FacilityLink> first);
    // Any thread: hands the command to the thread; false while no link
    // serves, or when many wait already.
    bool post(Command command);
    bool linked() const { return linked_; }

private:
    void run();
    bool link(std::unique_ptr<FacilityLink> next);
    void lose();
    void waitFor(std::chrono::milliseconds time);
    void wake();

    const std::string name_;
    CompositorCache& cache_;
    Connect connect_;
    const int wake_;
    std::atomic<bool> stop_{false}, linked_{false};
    std::mutex mutex_;
    std::deque<Command> commands_;
    // Replaced on the thread, interrupted from others: under the mutex.
    std::unique_ptr<FacilityLink> link_;
    bool saidBlind_ = false;
    std::thread thread_;
};

} // namespace corv::desktop
