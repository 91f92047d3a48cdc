#pragma once

// The base of a facility that answers from what its compositor last told
// (CompositorCache): the lookups never wait, the watchers run on the main
// loop, and nothing is found while the compositor leaves a request
// unanswered too long.

#include "platform/RunLoop.h"
#include "platform/desktop/windows/CompositorCache.h"
#include "platform/desktop/windows/CompositorWindows.h"

namespace corv::desktop {

class CachedWindows : public CompositorWindows {
public:
    explicit CachedWindows(platform::RunLoop& loop) : cache_(loop) {}

    CompositorWindowList windows() override { return cache_.windows(); }
    std::optional<CompositorDesktops> desktops() override { return cache_.desktops(); }
    std::optional<CompositorInputSources> inputSources() override { return cache_.inputSources(); }

    CompositorWatchId watchWindows(std::function<void(const CompositorWindowList&)> changed) override {
        return cache_.watchWindows(std::move(changed));
    }
    CompositorWatchId watchInputSources(std::function<void(bool list)> changed) override {
        return cache_.watchInputSources(std::move(changed));
    }
    void unwatch(CompositorWatchId id) override { cache_.unwatch(id); }

protected:
    CompositorCache cache_;
};

} // namespace corv::desktop
