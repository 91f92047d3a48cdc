#pragma once

#include "platform/WorkspaceNotes.h"

#include <map>
#include <vector>

namespace corv::sim {

// Notices the test posts, delivered at once on the calling thread; the kinds
// observed are logged in the order of registration.
class SimWorkspaceNotes final : public platform::WorkspaceNotes {
public:
    void addObserver(platform::WorkspaceNote note, platform::NoteHandler handler) override;
    platform::TerminationObserverId observeTermination(std::int32_t pid, std::function<void()> handler) override;
    void removeTerminationObserver(platform::TerminationObserverId id) override;

    void post(platform::WorkspaceNote note, const std::optional<platform::NoteUserInfo>& info = std::nullopt);
    // A notice about the application: its process id and itself.
    void postApp(platform::WorkspaceNote note, const platform::RunningApplication& app);
    // The process ends: its termination observers run.
    void endProcess(std::int32_t pid);
    std::size_t terminationObserverCount() const { return watchers_.size(); }

    std::vector<platform::WorkspaceNote> registered;

private:
    struct Watcher {
        std::int32_t pid;
        std::function<void()> handler;
    };
    std::multimap<platform::WorkspaceNote, platform::NoteHandler> handlers_;
    std::map<platform::TerminationObserverId, Watcher> watchers_;
    platform::TerminationObserverId nextId_ = 1;
};

} // namespace corv::sim
