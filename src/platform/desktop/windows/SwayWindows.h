#pragma once

// sway's windows through its IPC socket ($SWAYSOCK). A thread of its own
// (FacilityThread) subscribes to window, workspace and input events and reads
// the tree, the workspaces and the keyboard's layouts again after each;
// lookups read what it read last and never wait, and find nothing while a
// request to sway has gone unanswered longer than kCompositorBound. Commands
// are sent from that thread without waiting for sway. A sway that restarts,
// or sends a message that is broken or too long, is connected to again.
// sway does not tell the pointer: the focused window stands for the one under
// it. The desktops are the workspaces of the focused output; no window is
// maximised in a tiling layout. The work area of an output is its workspace's
// rect, read with the tree. The program's own window, known by its pid and
// title, floats at the frame asked, without border, on every workspace: a
// rule sway runs as the window maps puts it there, and when sway tells it
// new, it goes inside the work area read then.

#include "platform/RunLoop.h"
#include "platform/desktop/windows/CachedWindows.h"
#include "platform/desktop/windows/FacilityThread.h"

#include <memory>
#include <string>

namespace corv::desktop {

class SwayWindows final : public CachedWindows {
public:
    // Null when nothing answers at the socket.
    static std::unique_ptr<SwayWindows> open(platform::RunLoop& loop, const std::string& socketPath);
    ~SwayWindows() override;

    std::string name() const override { return "sway"; }
    unsigned capabilities() const override;

    bool activate(CompositorWindowId window) override;
    bool setFullScreen(CompositorWindowId window, bool on) override;
    bool switchDesktop(int direction) override;
    bool selectInputSource(const std::string& id) override;
    bool nextInputSource() override;
    std::optional<CompositorScreen> screenAt(platform::Point at) override;
    // False as well for a title sway's criteria cannot name.
    bool placeOwnWindow(const std::string& title, platform::Rect frame) override;

    // What the program asks for its own window, and the outputs' work areas.
    struct OwnWindow;

private:
    SwayWindows(platform::RunLoop& loop, const std::string& socketPath);
    // False while sway is not connected.
    bool command(std::string text);

    std::shared_ptr<OwnWindow> own_;
    FacilityThread thread_;
};

} // namespace corv::desktop
