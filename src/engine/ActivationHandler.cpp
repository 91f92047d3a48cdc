#include "engine/ActivationHandler.h"

#include "engine/AppWindows.h"
#include "engine/CurrentApp.h"
#include "model/ShellState.h"

namespace corv::engine {

void onActiveNote(const platform::RunningApplication& app) {
    ShellState::shared().runningAppsByPid[app.pid] = app;
    auto& current = CurrentApp::shared();
    if (app.pid == current.pid) return;
    current.bundleId = resolveAppId(app);
    current.pid = app.pid;
    current.settingsKey = settingsKeyFor(current.bundleId);
}

} // namespace corv::engine
