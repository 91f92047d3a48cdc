#include "platform/sim/SimWorkspaceNotes.h"

namespace corv::sim {

void SimWorkspaceNotes::addObserver(platform::WorkspaceNote note, platform::NoteHandler handler) {
    registered.push_back(note);
    handlers_.emplace(note, std::move(handler));
}

platform::TerminationObserverId SimWorkspaceNotes::observeTermination(std::int32_t pid, std::function<void()> handler) {
    const auto id = nextId_++;
    watchers_[id] = {pid, std::move(handler)};
    return id;
}

void SimWorkspaceNotes::removeTerminationObserver(platform::TerminationObserverId id) { watchers_.erase(id); }

void SimWorkspaceNotes::post(platform::WorkspaceNote note, const std::optional<platform::NoteUserInfo>& info) {
    std::vector<platform::NoteHandler> run;
    auto [from, to] = handlers_.equal_range(note);
    for (auto it = from; it != to; ++it) run.push_back(it->second);
    for (auto& h : run) h(info);
}

void SimWorkspaceNotes::postApp(platform::WorkspaceNote note, const platform::RunningApplication& app) {
    post(note, platform::NoteUserInfo{app.pid, app});
}

void SimWorkspaceNotes::endProcess(std::int32_t pid) {
    std::vector<std::function<void()>> run;
    for (auto it = watchers_.begin(); it != watchers_.end();) {
        if (it->second.pid == pid) {
            run.push_back(std::move(it->second.handler));
            it = watchers_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& h : run) h();
}

} // namespace corv::sim
