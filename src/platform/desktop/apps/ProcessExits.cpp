#include "platform/desktop/apps/ProcessExits.h"

#include <QObject>
#include <QSocketNotifier>

#include <cerrno>

#include <sys/syscall.h>
#include <unistd.h>

namespace corv::desktop {

ProcessExits::ProcessExits(platform::RunLoop& loop) : loop_(loop) {}

ProcessExits::~ProcessExits() {
    *alive_ = false;
    for (auto& [id, watch] : watches_) {
        delete watch.notifier;
        watch.notifier = nullptr;
        drop(watch);
    }
}

ProcessExits::WatchId ProcessExits::watch(std::int32_t pid, std::function<void()> handler) {
    const WatchId id = nextId_++;
    Watch& watch = watches_[id];
    watch.ended = std::move(handler);
    const long fd = pid > 0 ? ::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0) : -1;
    if (fd >= 0) {
        watch.fd = static_cast<int>(fd);
        watch.notifier = new QSocketNotifier(watch.fd, QSocketNotifier::Read);
        QObject::connect(watch.notifier, &QSocketNotifier::activated, watch.notifier, [this, id] { ended(id); });
    } else if (pid <= 0 || errno == ESRCH) {
        loop_.post([this, id, alive = std::weak_ptr<bool>(alive_)] {
            if (alive.lock()) ended(id);
        });
    }
    return id;
}

void ProcessExits::unwatch(WatchId id) {
    auto it = watches_.find(id);
    if (it == watches_.end()) return;
    drop(it->second);
    watches_.erase(it);
}

void ProcessExits::ended(WatchId id) {
    auto it = watches_.find(id);
    if (it == watches_.end()) return;
    auto run = std::move(it->second.ended);
    drop(it->second);
    watches_.erase(it);
    if (run) run();
}

void ProcessExits::drop(Watch& watch) {
    // The notifier may be the one whose signal is running.
    if (watch.notifier) {
        watch.notifier->setEnabled(false);
        watch.notifier->deleteLater();
        watch.notifier = nullptr;
    }
    if (watch.fd >= 0) ::close(watch.fd);
    watch.fd = -1;
}

} // namespace corv::desktop
