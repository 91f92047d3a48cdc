#pragma once

#include "platform/RunLoop.h"
#include "platform/WorkspaceNotes.h"
#include "platform/desktop/apps/DesktopWorkspace.h"
#include "platform/desktop/apps/ProcessExits.h"
#include "platform/desktop/windows/CompositorWindows.h"
#include "platform/desktop/x11/X11Session.h"

#include <map>
#include <memory>
#include <set>

namespace corv::desktop {

// Applications launched, ended and activated, as the X11 window manager shows
// them: an application runs while its process owns a managed window
// (_NET_CLIENT_LIST), and ends when its last window goes or the process
// exits; it is activated when one of its windows becomes the active one
// (_NET_ACTIVE_WINDOW), the one active when the watch starts excepted. The
// end of any process is seen through its pidfd. The other notices are not
// given here. In a Wayland session the compositor's facility shows the
// windows and the focused one instead. Main thread.
class DesktopAppNotes final : public platform::WorkspaceNotes {
public:
    // `x11` null: the program's own session.
    // `compositor` non-null: a Wayland session's facility, used instead of X11.
    DesktopAppNotes(platform::RunLoop& loop, DesktopWorkspace& workspace, X11Session* x11 = nullptr,
                    CompositorWindows* compositor = nullptr);
    ~DesktopAppNotes() override;
    DesktopAppNotes(const DesktopAppNotes&) = delete;
    DesktopAppNotes& operator=(const DesktopAppNotes&) = delete;

    // The windows are watched from the first observer of an application notice on.
    void addObserver(platform::WorkspaceNote note, platform::NoteHandler handler) override;
    platform::TerminationObserverId observeTermination(std::int32_t pid, std::function<void()> handler) override;
    void removeTerminationObserver(platform::TerminationObserverId id) override;

private:
    struct Inbox;

    X11Session& x11();
    // A window's process and what names its application.
    struct Owner {
        std::int32_t pid = -1;
        std::optional<WmClass> wmClass;
        std::string appId;
    };
    void windowsChanged(const X11Windows& windows);
    void windowsChanged(const CompositorWindowList& windows);
    void ownersChanged(const std::vector<Owner>& owners, std::int32_t activePid);
    void ended(std::int32_t pid);
    void post(platform::WorkspaceNote note, std::int32_t pid,
              const std::optional<platform::RunningApplication>& application);

    platform::RunLoop& loop_;
    DesktopWorkspace& workspace_;
    X11Session* x11_;
    CompositorWindows* compositor_;
    ProcessExits exits_;
    std::multimap<platform::WorkspaceNote, platform::NoteHandler> handlers_;
    std::shared_ptr<Inbox> inbox_;
    std::optional<X11WatchId> watch_;
    std::optional<CompositorWatchId> compositorWatch_;

    // The running applications, each with the watch on its process.
    struct Running {
        platform::RunningApplication application;
        ProcessExits::WatchId exit = 0;
    };
    std::map<std::int32_t, Running> running_;
    // Processes that ended while a window of theirs stays.
    std::set<std::int32_t> gone_;
    std::int32_t activePid_ = -1;
    bool first_ = true;
};

} // namespace corv::desktop
