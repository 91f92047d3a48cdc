#pragma once

// The process map (running applications by process id) and the current
// application, kept by the workspace's launch, termination and activation
// notices. Main thread.

#include "platform/WorkspaceNotes.h"

namespace corv::app {

// Every running application the workspace lists, under its process id.
void fillRunningAppsByPid();

void onAppLaunch(const std::optional<platform::NoteUserInfo>& info);
void onAppTerminate(const std::optional<platform::NoteUserInfo>& info);
void onActiveNote(const std::optional<platform::NoteUserInfo>& info);

} // namespace corv::app
