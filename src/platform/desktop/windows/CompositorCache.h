#pragma once

// What a compositor last told of its windows, desktops and layouts, kept for
// lookups from any thread (which never wait), and handed to watchers on the
// main loop when it changes: one task at most waits there, which tells the
// newest list. Set from the facility's own thread. While a
// request to the compositor has gone unanswered longer than kCompositorBound
// the lookups find nothing: what it told may be stale.

#include "platform/RunLoop.h"
#include "platform/desktop/windows/CompositorWindows.h"

#include <memory>

namespace corv::desktop {

class CompositorCache {
public:
    explicit CompositorCache(platform::RunLoop& loop);
    ~CompositorCache();
    CompositorCache(const CompositorCache&) = delete;
    CompositorCache& operator=(const CompositorCache&) = delete;

    // Any thread.
    void setWindows(CompositorWindowList windows);
    void setDesktops(std::optional<CompositorDesktops> desktops);
    void setInputSources(std::optional<CompositorInputSources> sources);
    CompositorWindowList windows() const;
    std::optional<CompositorDesktops> desktops() const;
    std::optional<CompositorInputSources> inputSources() const;
    // A request to the compositor is under way, or none is. Answered after
    // a stall, the window watchers are told the list again, unchanged or not.
    void asking();
    void answered();
    bool stale() const;
    // Nothing is known: the compositor went away.
    void forget();

    // Main thread, as CompositorWindows's.
    CompositorWatchId watchWindows(std::function<void(const CompositorWindowList&)> changed);
    CompositorWatchId watchInputSources(std::function<void(bool list)> changed);
    void unwatch(CompositorWatchId id);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

} // namespace corv::desktop
