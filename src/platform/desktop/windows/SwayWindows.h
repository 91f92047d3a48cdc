#pragma once

// sway's windows through its IPC socket ($SWAYSOCK). A thread of its own
// subscribes to window, workspace and input events and reads the tree, the
// workspaces and the keyboard's layouts again after each; lookups read what
// it read last and never wait, and find nothing while a request to sway has
// gone unanswered longer than kCompositorBound. Commands are sent from that thread without
// waiting for sway. sway does not tell the pointer: the focused window stands
// for the one under it. The desktops are the workspaces of the focused
// output; no window is maximised in a tiling layout.

#include "platform/RunLoop.h"
#include "platform/desktop/windows/CompositorCache.h"
#include "platform/desktop/windows/CompositorWindows.h"

#include <memory>
#include <string>
#include <thread>

namespace corv::desktop {

class SwayWindows final : public CompositorWindows {
public:
    // Null when nothing answers at the socket.
    static std::unique_ptr<SwayWindows> open(platform::RunLoop& loop, const std::string& socketPath);
    ~SwayWindows() override;

    std::string name() const override { return "sway"; }
    unsigned capabilities() const override;

    CompositorWindowList windows() override;
    bool activate(CompositorWindowId window) override;
    bool setFullScreen(CompositorWindowId window, bool on) override;
    std::optional<CompositorDesktops> desktops() override;
    bool switchDesktop(int direction) override;
    std::optional<CompositorInputSources> inputSources() override;
    bool selectInputSource(const std::string& id) override;
    bool nextInputSource() override;

    CompositorWatchId watchWindows(std::function<void(const CompositorWindowList&)> changed) override {
        return cache_.watchWindows(std::move(changed));
    }
    CompositorWatchId watchInputSources(std::function<void(bool list)> changed) override {
        return cache_.watchInputSources(std::move(changed));
    }
    void unwatch(CompositorWatchId id) override { cache_.unwatch(id); }

    struct Link;

private:
    SwayWindows(platform::RunLoop& loop, std::unique_ptr<Link> link);
    bool command(std::string text);
    // Whether sway has left a request unanswered too long.
    bool stuck() const;

    CompositorCache cache_;
    std::unique_ptr<Link> link_;
    std::thread thread_;
};

} // namespace corv::desktop
