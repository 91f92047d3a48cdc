#pragma once

#include "platform/RunLoop.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class QSocketNotifier;

namespace corv::desktop {

// Runs a handler on the main thread once a process has ended, seen through
// its pidfd; a process already gone is reported on a later turn. A process
// the kernel gives no pidfd for (before Linux 5.3) is never reported. Main
// thread.
class ProcessExits {
public:
    using WatchId = std::uint64_t;

    explicit ProcessExits(platform::RunLoop& loop);
    ~ProcessExits();
    ProcessExits(const ProcessExits&) = delete;
    ProcessExits& operator=(const ProcessExits&) = delete;

    WatchId watch(std::int32_t pid, std::function<void()> handler);
    // An unknown or reported id is ignored.
    void unwatch(WatchId id);

private:
    struct Watch {
        int fd = -1;
        QSocketNotifier* notifier = nullptr;
        std::function<void()> ended;
    };

    void ended(WatchId id);
    void drop(Watch& watch);

    platform::RunLoop& loop_;
    std::map<WatchId, Watch> watches_;
    WatchId nextId_ = 1;
    // Checked by the reports posted for processes already gone.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace corv::desktop
