#pragma once

#include "platform/WorkspaceNotes.h"
#include "platform/desktop/shell/BusProbe.h"

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <QString>


namespace corv::desktop {

// Sleep and wake, and the user session switched away and back, as logind
// announces them on the system bus (PrepareForSleep; the session's Active
// property). While awake it holds a logind delay lock on sleep, let go once
// the sleep notice has been handled. Without logind there are no such
// notices. Applications' launches, ends and activations and the end of other
// processes are left to `applications`; without it there are none.
class DesktopWorkspaceNotes final : public platform::WorkspaceNotes {
public:
    // `busAddress` empty: the system bus.
    explicit DesktopWorkspaceNotes(QString busAddress = {}, platform::WorkspaceNotes* applications = nullptr);
    ~DesktopWorkspaceNotes() override;
    DesktopWorkspaceNotes(const DesktopWorkspaceNotes&) = delete;
    DesktopWorkspaceNotes& operator=(const DesktopWorkspaceNotes&) = delete;

    void addObserver(platform::WorkspaceNote note, platform::NoteHandler handler) override;
    platform::TerminationObserverId observeTermination(std::int32_t pid, std::function<void()> handler) override;
    void removeTerminationObserver(platform::TerminationObserverId id) override;

    // Delivers a notice to its observers.
    void post(platform::WorkspaceNote note);

    // Main thread, once notices are listened to: whether the user is here,
    // that is the session is active and the machine not going to sleep;
    // called at each change, before the notices of it.
    std::function<void(bool present)> onPresence;

private:
    class Listener;
    void listen();

    std::multimap<platform::WorkspaceNote, platform::NoteHandler> handlers_;
    QString address_;
    platform::WorkspaceNotes* applications_;
    std::unique_ptr<ServiceBus> bus_;
    std::unique_ptr<Listener> listener_;
    platform::TerminationObserverId nextId_ = 1;
};

} // namespace corv::desktop
