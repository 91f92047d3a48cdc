#include "platform/desktop/apps/DesktopAppNotes.h"

#include <utility>
#include <vector>

namespace corv::desktop {

namespace {

bool isApplicationNote(platform::WorkspaceNote note) {
    return note == platform::WorkspaceNote::DidLaunchApplication ||
           note == platform::WorkspaceNote::DidTerminateApplication ||
           note == platform::WorkspaceNote::DidActivateApplication;
}

} // namespace

DesktopAppNotes::DesktopAppNotes(platform::RunLoop& loop, DesktopWorkspace& workspace, CompositorWindows& windows)
    : workspace_(workspace), windows_(windows), exits_(loop) {}

DesktopAppNotes::~DesktopAppNotes() {
    if (watch_) windows_.unwatch(*watch_);
}

void DesktopAppNotes::addObserver(platform::WorkspaceNote note, platform::NoteHandler handler) {
    if (!isApplicationNote(note)) return;
    handlers_.emplace(note, std::move(handler));
    if (!watch_) watch_ = windows_.watchWindows([this](const CompositorWindowList& windows) { windowsChanged(windows); });
}

platform::TerminationObserverId DesktopAppNotes::observeTermination(std::int32_t pid, std::function<void()> handler) {
    return exits_.watch(pid, std::move(handler));
}

void DesktopAppNotes::removeTerminationObserver(platform::TerminationObserverId id) { exits_.unwatch(id); }

void DesktopAppNotes::windowsChanged(const CompositorWindowList& windows) {
    // Each process with a window, with its first one, which names it.
    std::map<std::int32_t, const CompositorWindow*> owners;
    std::int32_t activePid = -1;
    for (const auto& window : windows.windows) {
        if (window.pid > 0) owners.emplace(window.pid, &window);
        if (window.id == windows.focused && window.pid > 0) activePid = window.pid;
    }
    std::erase_if(gone_, [&](std::int32_t pid) { return !owners.count(pid); });
    for (const auto& [pid, owner] : owners) {
        if (running_.count(pid) || gone_.count(pid)) continue;
        // A process this machine does not show (another host's) is no application here.
        auto application = workspace_.applicationOf(pid, owner);
        if (!application) continue;
        // A stand-in pid has no process: its application ends with its last window.
        const auto exit = isStandInPid(pid) ? ProcessExits::WatchId{0} : exits_.watch(pid, [this, exited = pid] {
            if (running_.count(exited)) gone_.insert(exited);
            ended(exited);
        });
        running_[pid] = Running{*application, exit};
        post(platform::WorkspaceNote::DidLaunchApplication, pid, *application);
    }
    std::vector<std::int32_t> closed;
    for (const auto& [pid, running] : running_)
        if (!owners.count(pid)) closed.push_back(pid);
    for (std::int32_t pid : closed) ended(pid);

    const bool first = std::exchange(first_, false);
    // The same list told again (the facility answers again after a stall):
    // the focused application is activated again, as a lookup during the
    // stall found none and left the global bindings acting.
    const bool again = !first && windows == last_;
    last_ = windows;
    if (activePid == activePid_ && !again) return;
    activePid_ = activePid;
    auto it = running_.find(activePid);
    if (first || it == running_.end()) return;
    post(platform::WorkspaceNote::DidActivateApplication, activePid, it->second.application);
}

void DesktopAppNotes::ended(std::int32_t pid) {
    auto it = running_.find(pid);
    if (it == running_.end()) return;
    exits_.unwatch(it->second.exit);
    const platform::RunningApplication application = std::move(it->second.application);
    running_.erase(it);
    if (activePid_ == pid) activePid_ = -1;
    post(platform::WorkspaceNote::DidTerminateApplication, pid, application);
}

void DesktopAppNotes::post(platform::WorkspaceNote note, std::int32_t pid,
                           const std::optional<platform::RunningApplication>& application) {
    // Copied: a handler may add another.
    std::vector<platform::NoteHandler> run;
    auto [from, to] = handlers_.equal_range(note);
    for (auto it = from; it != to; ++it) run.push_back(it->second);
    const platform::NoteUserInfo info{pid, application};
    for (auto& handler : run) handler(info);
}

} // namespace corv::desktop
