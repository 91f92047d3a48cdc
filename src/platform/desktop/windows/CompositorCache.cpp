#include "platform/desktop/windows/CompositorCache.h"

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace corv::desktop {

struct CompositorCache::Shared {
    explicit Shared(platform::RunLoop& l) : loop(l) {}
    platform::RunLoop& loop;

    mutable std::mutex mutex;
    CompositorWindowList windows;
    std::optional<CompositorDesktops> desktops;
    std::optional<CompositorInputSources> sources;
    // A task that tells the watchers the newest list waits on the main loop.
    bool telling = false;
    // When the request under way was sent (steady-clock ticks); 0: none.
    std::atomic<std::int64_t> askedAt{0};

    // Main thread only.
    CompositorWatchId nextWatch = 1;
    std::map<CompositorWatchId, std::function<void(const CompositorWindowList&)>> windowWatchers;
    std::map<CompositorWatchId, std::function<void(bool)>> sourceWatchers;

    // Runs each watcher still there when its turn comes: one may drop another.
    template <class Watchers, class Arg> static void run(Watchers& watchers, const Arg& arg) {
        std::vector<CompositorWatchId> ids;
        for (const auto& [id, watcher] : watchers) ids.push_back(id);
        for (CompositorWatchId id : ids)
            if (auto it = watchers.find(id); it != watchers.end()) {
                auto watcher = it->second;
                watcher(arg);
            }
    }

    // Tells the window watchers the list as it is when the task runs; the
    // task that `telling` marks clears it.
    static void tellWindows(const std::shared_ptr<Shared>& self, bool marked) {
        self->loop.postFromAnyThread([weak = std::weak_ptr<Shared>(self), marked] {
            auto shared = weak.lock();
            if (!shared) return;
            CompositorWindowList now;
            {
                std::lock_guard lock(shared->mutex);
                now = shared->windows;
                if (marked) shared->telling = false;
            }
            run(shared->windowWatchers, now);
        });
    }
};

CompositorCache::CompositorCache(platform::RunLoop& loop) : shared_(std::make_shared<Shared>(loop)) {}

CompositorCache::~CompositorCache() = default;

void CompositorCache::setWindows(CompositorWindowList windows) {
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->windows == windows) return;
        shared_->windows = std::move(windows);
        // One task at most waits: it tells the list as it is when it runs.
        if (std::exchange(shared_->telling, true)) return;
    }
    Shared::tellWindows(shared_, true);
}

void CompositorCache::setDesktops(std::optional<CompositorDesktops> desktops) {
    std::lock_guard lock(shared_->mutex);
    shared_->desktops = desktops;
}

void CompositorCache::setInputSources(std::optional<CompositorInputSources> sources) {
    bool list = false;
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->sources == sources) return;
        const auto& old = shared_->sources;
        list = !old || !sources || old->sources != sources->sources;
        shared_->sources = std::move(sources);
    }
    shared_->loop.postFromAnyThread([weak = std::weak_ptr<Shared>(shared_), list] {
        if (auto shared = weak.lock()) Shared::run(shared->sourceWatchers, list);
    });
}

CompositorWindowList CompositorCache::windows() const {
    if (stale()) return {};
    std::lock_guard lock(shared_->mutex);
    return shared_->windows;
}

std::optional<CompositorDesktops> CompositorCache::desktops() const {
    if (stale()) return std::nullopt;
    std::lock_guard lock(shared_->mutex);
    return shared_->desktops;
}

std::optional<CompositorInputSources> CompositorCache::inputSources() const {
    if (stale()) return std::nullopt;
    std::lock_guard lock(shared_->mutex);
    return shared_->sources;
}

void CompositorCache::asking() {
    // The oldest request unanswered counts.
    std::int64_t none = 0;
    shared_->askedAt.compare_exchange_strong(none, std::chrono::steady_clock::now().time_since_epoch().count());
}

void CompositorCache::answered() {
    const bool wasStale = stale();
    shared_->askedAt = 0;
    if (!wasStale) return;
    // Fresh again: the watchers hear what is known, unchanged or not, since
    // lookups during the stall found nothing.
    Shared::tellWindows(shared_, false);
}

bool CompositorCache::stale() const {
    const std::int64_t asked = shared_->askedAt;
    return asked != 0 && std::chrono::steady_clock::now().time_since_epoch() -
                             std::chrono::steady_clock::duration(asked) > kCompositorBound;
}

void CompositorCache::forget() {
    setWindows({});
    setDesktops(std::nullopt);
    setInputSources(std::nullopt);
    answered();
}

CompositorWatchId CompositorCache::watchWindows(std::function<void(const CompositorWindowList&)> changed) {
    const CompositorWatchId id = shared_->nextWatch++;
    shared_->windowWatchers.emplace(id, std::move(changed));
    // At once, with what is known now.
    shared_->loop.post([weak = std::weak_ptr<Shared>(shared_), id] {
        auto shared = weak.lock();
        if (!shared) return;
        auto it = shared->windowWatchers.find(id);
        if (it == shared->windowWatchers.end()) return;
        CompositorWindowList now;
        {
            std::lock_guard lock(shared->mutex);
            now = shared->windows;
        }
        auto watcher = it->second;
        watcher(now);
    });
    return id;
}

CompositorWatchId CompositorCache::watchInputSources(std::function<void(bool list)> changed) {
    const CompositorWatchId id = shared_->nextWatch++;
    shared_->sourceWatchers.emplace(id, std::move(changed));
    return id;
}

void CompositorCache::unwatch(CompositorWatchId id) {
    shared_->windowWatchers.erase(id);
    shared_->sourceWatchers.erase(id);
}

} // namespace corv::desktop
