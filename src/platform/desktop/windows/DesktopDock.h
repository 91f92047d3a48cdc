#pragma once

// What the Dock does with the program's synthetic dock swipes, done with the
// desktop: a left/right swipe that ends moves to the next or previous
// desktop; up shows all windows and down the application's windows (each
// hides the other's view); a pinch shows the application grid and a spread
// hides it or shows the desktop (a second one, or a pinch while it shows,
// brings the windows back). The overviews are the shell's (`DesktopViews`),
// the desktops and the shown desktop the windows facility's (else the
// shell's). Every event passes to the event
// stream unchanged.

#include "platform/EventTaps.h"
#include "platform/RunLoop.h"

#include <chrono>
#include <functional>
#include <optional>

namespace corv::desktop {

class CompositorWindows;
class DesktopViews;

class DesktopDock final : public platform::EventTaps {
public:
    DesktopDock(platform::EventTaps& stream, platform::RunLoop& loop, CompositorWindows& windows)
        : stream_(stream), loop_(loop), windows_(windows) {}

    // The program's natural-scrolling state, which signs the progress of its
    // dock swipes (main thread); on when not given.
    void setNaturalScroll(std::function<bool()> natural) { natural_ = std::move(natural); }
    // The shell's overviews; none: up/down swipes and the pinch do nothing.
    void setViews(DesktopViews* views) { views_ = views; }

    platform::EventTapId createTap(platform::TapLocation location, platform::TapPlacement placement,
                                   platform::TapOptions options, std::uint64_t mask,
                                   platform::TapCallback callback) override {
        return stream_.createTap(location, placement, options, mask, std::move(callback));
    }
    platform::RunLoopSourceId createRunLoopSource(platform::EventTapId tap) override {
        return stream_.createRunLoopSource(tap);
    }
    void setEnabled(platform::EventTapId tap, bool enabled) override { stream_.setEnabled(tap, enabled); }
    bool isEnabled(platform::EventTapId tap) const override { return stream_.isEnabled(tap); }
    bool mainLoopContains(platform::RunLoopSourceId source) const override {
        return stream_.mainLoopContains(source);
    }
    void addToMainLoop(platform::RunLoopSourceId source) override { stream_.addToMainLoop(source); }
    void removeFromMainLoop(platform::RunLoopSourceId source) override { stream_.removeFromMainLoop(source); }
    // Any thread.
    void post(platform::TapLocation location, const platform::Event& event) override;
    void postToProxy(platform::TapProxy proxy, const platform::Event& event) override;
    std::optional<std::vector<platform::EventTapInfo>> tapList() override { return stream_.tapList(); }
    void setKeyFilter(platform::EventTapId tap, std::optional<std::vector<std::uint16_t>> keys) override {
        stream_.setKeyFilter(tap, std::move(keys));
    }

private:
    void take(const platform::Event& event);
    void swipeEnded(std::int64_t motion, double progress);
    void vertical(int direction);
    void pinch(int direction);
    std::optional<bool> showingDesktop();
    void showDesktop(bool show);

    platform::EventTaps& stream_;
    platform::RunLoop& loop_;
    CompositorWindows& windows_;
    DesktopViews* views_ = nullptr;
    std::function<bool()> natural_;
    // The desktop last asked for, until the manager shows it.
    std::optional<long> pending_;
    std::chrono::steady_clock::time_point pendingSince_{};
};

} // namespace corv::desktop
