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

// Where the session's thread leaves the windows for the main thread; gone
// with the notes, after which a late delivery is dropped.
struct DesktopAppNotes::Inbox {
    DesktopAppNotes* owner;
};

DesktopAppNotes::DesktopAppNotes(platform::RunLoop& loop, DesktopWorkspace& workspace, X11Session* x11,
                                 CompositorWindows* compositor)
    : loop_(loop), workspace_(workspace), x11_(x11), compositor_(compositor), exits_(loop),
      inbox_(std::make_shared<Inbox>(Inbox{this})) {}

DesktopAppNotes::~DesktopAppNotes() {
    if (compositorWatch_) compositor_->unwatch(*compositorWatch_);
    if (watch_) x11().unwatch(*watch_);
    inbox_->owner = nullptr;
}

X11Session& DesktopAppNotes::x11() { return x11_ ? *x11_ : X11Session::standard(); }

void DesktopAppNotes::addObserver(platform::WorkspaceNote note, platform::NoteHandler handler) {
    if (!isApplicationNote(note)) return;
    handlers_.emplace(note, std::move(handler));
    if (compositor_) {
        if (!compositorWatch_)
            compositorWatch_ =
                compositor_->watchWindows([this](const CompositorWindowList& windows) { windowsChanged(windows); });
        return;
    }
    if (watch_) return;
    watch_ = x11().watchWindows([&loop = loop_, inbox = std::weak_ptr<Inbox>(inbox_)](const X11Windows& windows) {
        loop.postFromAnyThread([inbox, windows] {
            if (auto box = inbox.lock(); box && box->owner) box->owner->windowsChanged(windows);
        });
    });
}

platform::TerminationObserverId DesktopAppNotes::observeTermination(std::int32_t pid, std::function<void()> handler) {
    return exits_.watch(pid, std::move(handler));
}

void DesktopAppNotes::removeTerminationObserver(platform::TerminationObserverId id) { exits_.unwatch(id); }

void DesktopAppNotes::windowsChanged(const X11Windows& windows) {
    std::vector<Owner> owners;
    std::int32_t activePid = -1;
    for (const auto& client : windows.clients) {
        owners.push_back(Owner{client.pid, client.wmClass, {}});
        if (client.window == windows.active) activePid = client.pid;
    }
    ownersChanged(owners, activePid);
}

void DesktopAppNotes::windowsChanged(const CompositorWindowList& windows) {
    std::vector<Owner> owners;
    std::int32_t activePid = -1;
    for (const auto& window : windows.windows) {
        std::optional<WmClass> wmClass;
        if (!window.wmInstance.empty() || !window.wmClass.empty()) wmClass = WmClass{window.wmInstance, window.wmClass};
        owners.push_back(Owner{window.pid, wmClass, window.appId});
        if (window.id == windows.focused) activePid = window.pid;
    }
    ownersChanged(owners, activePid);
}

void DesktopAppNotes::ownersChanged(const std::vector<Owner>& windows, std::int32_t activePid) {
    // Each process with a window, with what names its first one.
    std::map<std::int32_t, const Owner*> owners;
    for (const auto& owner : windows)
        if (owner.pid > 0) owners.emplace(owner.pid, &owner);
    if (activePid <= 0) activePid = -1;
    std::erase_if(gone_, [&](std::int32_t pid) { return !owners.count(pid); });
    for (const auto& [pid, owner] : owners) {
        if (running_.count(pid) || gone_.count(pid)) continue;
        // A process this machine does not show (another host's) is no application here.
        auto application = workspace_.applicationOf(pid, owner->wmClass, owner->appId);
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
    if (activePid == activePid_) return;
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
