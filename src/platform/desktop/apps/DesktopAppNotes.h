#pragma once

#include "platform/RunLoop.h"
#include "platform/WorkspaceNotes.h"
#include "platform/desktop/apps/DesktopWorkspace.h"
#include "platform/desktop/apps/ProcessExits.h"
#include "platform/desktop/windows/CompositorWindows.h"

#include <map>
#include <memory>
#include <set>

namespace corv::desktop {

// Applications launched, ended and activated, as the desktop's windows
// facility shows them: an application runs while its process owns a window
// (on X11 a managed one, _NET_CLIENT_LIST), and ends when its last window goes
// or the process exits; it is activated when one of its windows becomes the
// focused one, the one focused when the watch starts excepted, and again when
// the same windows are told again. The end of any
// process is seen through its pidfd. The other notices are not given here.
// Main thread.
class DesktopAppNotes final : public platform::WorkspaceNotes {
public:
    DesktopAppNotes(platform::RunLoop& loop, DesktopWorkspace& workspace, CompositorWindows& windows);
    ~DesktopAppNotes() override;
    DesktopAppNotes(const DesktopAppNotes&) = delete;
    DesktopAppNotes& operator=(const DesktopAppNotes&) = delete;

    // The windows are watched from the first observer of an application notice on.
    void addObserver(platform::WorkspaceNote note, platform::NoteHandler handler) override;
    platform::TerminationObserverId observeTermination(std::int32_t pid, std::function<void()> handler) override;
    void removeTerminationObserver(platform::TerminationObserverId id) override;

private:
    void windowsChanged(const CompositorWindowList& windows);
    void ended(std::int32_t pid);
    void post(platform::WorkspaceNote note, std::int32_t pid,
              const std::optional<platform::RunningApplication>& application);

    DesktopWorkspace& workspace_;
    CompositorWindows& windows_;
    ProcessExits exits_;
    std::multimap<platform::WorkspaceNote, platform::NoteHandler> handlers_;
    std::optional<CompositorWatchId> watch_;

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
    CompositorWindowList last_;
};

} // namespace corv::desktop
