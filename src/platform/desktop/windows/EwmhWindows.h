#pragma once

// The windows of an X11 session, through the window manager's EWMH
// properties and messages on the program's own X connection (X11Session).
// Each lookup is one call of that session's, bounded by kRoundTripBound;
// requests are client messages sent without waiting for the manager. The
// window under the pointer is the client window there, the input sources are
// the keyboard's XKB groups. The watchers are told from the cached base, fed
// by the session's watch. Without a display it can do nothing, and the
// pointer is Qt's.

#include "platform/RunLoop.h"
#include "platform/desktop/windows/CachedWindows.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace corv::desktop {

class X11Session;

class EwmhWindows final : public CachedWindows {
public:
    // `x11` null: the program's own session.
    explicit EwmhWindows(platform::RunLoop& loop, X11Session* x11 = nullptr);
    ~EwmhWindows() override;
    EwmhWindows(const EwmhWindows&) = delete;
    EwmhWindows& operator=(const EwmhWindows&) = delete;

    std::string name() const override { return "x11"; }
    // All of them while the display answers; none without one.
    unsigned capabilities() const override;

    CompositorWindowList windows() override;
    std::optional<CompositorWindow> focused() override;
    std::int32_t pidOf(CompositorWindowId id) override;
    std::optional<bool> fullScreen(CompositorWindowId id) override;
    CompositorWindowId lastActivated() const override;
    std::optional<platform::Point> pointer() override;
    std::optional<CompositorWindow> windowAt(platform::Point point) override;

    bool activate(CompositorWindowId id) override;
    bool setFullScreen(CompositorWindowId id, bool on) override;
    bool toggleMaximized(CompositorWindowId id) override;

    std::optional<CompositorDesktops> desktops() override;
    bool switchDesktop(int direction) override;
    std::optional<bool> showingDesktop() override;
    bool showDesktop(bool show) override;

    std::optional<CompositorInputSources> inputSources() override;
    bool selectInputSource(const std::string& id) override;
    bool nextInputSource() override;

    CompositorWatchId watchWindows(std::function<void(const CompositorWindowList&)> changed) override;
    CompositorWatchId watchInputSources(std::function<void(bool list)> changed) override;

private:
    X11Session& x11() const;
    bool lockGroup(int index);

    platform::RunLoop& loop_;
    X11Session* x11_;
    // The session's watches that feed the cache, from the first watcher on.
    std::optional<std::uint64_t> windowsWatch_, keyboardWatch_;
    // Gone with this: a change posted later finds it so.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    // The desktop last asked for, until the manager shows it.
    std::optional<long> pending_;
    std::chrono::steady_clock::time_point pendingSince_{};
};

} // namespace corv::desktop
