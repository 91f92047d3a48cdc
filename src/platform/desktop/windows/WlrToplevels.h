#pragma once

// The windows of a wlroots compositor through its foreign-toplevel protocol
// (zwlr_foreign_toplevel_manager_v1), on a Wayland connection of our own
// served by a thread of its own. The protocol tells each toplevel's app id
// and its activated, maximised and full-screen states, but no pid, geometry
// or pointer: each app id shown gets a stand-in pid, and the focused window
// stands for the one under the pointer. Lookups read what the thread last read and
// never wait; they find nothing while a request has gone unanswered longer
// than kCompositorBound. Requests are handed to the thread (FacilityThread),
// which sends them without waiting. A lost connection is made again, and a
// manager the compositor advertises again after finishing one is taken. No
// desktops or keyboard layouts: the protocol has none.

#include "platform/RunLoop.h"
#include "platform/desktop/windows/CachedWindows.h"
#include "platform/desktop/windows/FacilityThread.h"

#include <atomic>
#include <memory>
#include <string>

namespace corv::desktop {

class WlrToplevels final : public CachedWindows {
public:
    // `display` as $WAYLAND_DISPLAY (a name or a path; empty: the default).
    // Null when the display does not answer within kCompositorBound or
    // offers no toplevel manager.
    static std::unique_ptr<WlrToplevels> open(platform::RunLoop& loop, const std::string& display);
    ~WlrToplevels() override;

    std::string name() const override { return "wlr-toplevels"; }
    unsigned capabilities() const override;

    bool activate(CompositorWindowId window) override;
    bool setFullScreen(CompositorWindowId window, bool on) override;
    bool toggleMaximized(CompositorWindowId window) override;
    // The app ids holding a stand-in pid: those the windows show.
    std::size_t standIns() const { return standIns_; }

    struct Link;
    enum class Request : int;

private:
    WlrToplevels(platform::RunLoop& loop, const std::string& display);
    // Hands a request on a window to the thread; false for no window.
    bool request(CompositorWindowId window, Request what);

    // The compositor offers a seat to activate with.
    std::atomic<bool> seat_{false};
    std::atomic<std::size_t> standIns_{0};
    FacilityThread thread_;
};

} // namespace corv::desktop
