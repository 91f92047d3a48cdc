#pragma once

// The workspace's notifications (applications launched, ended and activated;
// sleep and wake; the user session switched away and back) and the end of a
// watched process.

#include "platform/Workspace.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace corv::platform {

enum class WorkspaceNote {
    DidLaunchApplication,
    DidTerminateApplication,
    DidActivateApplication,
    DidWake,
    WillSleep,
    SessionDidBecomeActive,
    SessionDidResignActive,
};

// The user information of a notice, as far as it is typed: the process id
// when present and a number, the application when present and one.
struct NoteUserInfo {
    std::optional<std::int64_t> processIdentifier;
    std::optional<RunningApplication> application;
};

// Nothing: the notice came without user information.
using NoteHandler = std::function<void(const std::optional<NoteUserInfo>& userInfo)>;

using TerminationObserverId = std::uint64_t;

class WorkspaceNotes {
public:
    virtual ~WorkspaceNotes() = default;
    // The handler runs on the main thread for every such notice; handlers
    // added for one kind run in the order added.
    virtual void addObserver(WorkspaceNote note, NoteHandler handler) = 0;
    // Runs the handler once when the process ends (or has already ended).
    virtual TerminationObserverId observeTermination(std::int32_t pid, std::function<void()> handler) = 0;
    virtual void removeTerminationObserver(TerminationObserverId id) = 0;
};

} // namespace corv::platform
