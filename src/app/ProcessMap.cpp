#include "app/ProcessMap.h"

#include "engine/AppWindows.h"
#include "engine/CurrentApp.h"
#include "model/ShellState.h"
#include "platform/Platform.h"

#include <limits>

namespace corv::app {

namespace {

std::optional<std::int32_t> processIdOf(const std::optional<platform::NoteUserInfo>& info) {
    if (!info || !info->processIdentifier) return std::nullopt;
    const std::int64_t pid = *info->processIdentifier;
    if (pid < std::numeric_limits<std::int32_t>::min() || pid > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(pid);
}

} // namespace

void fillRunningAppsByPid() {
    auto& byPid = ShellState::shared().runningAppsByPid;
    for (const auto& app : platform::workspace().runningApplications()) byPid[app.pid] = app;
}

void onAppLaunch(const std::optional<platform::NoteUserInfo>& info) {
    auto pid = processIdOf(info);
    if (!pid) return;
    auto& byPid = ShellState::shared().runningAppsByPid;
    if (info->application)
        byPid[*pid] = *info->application;
    else
        byPid.erase(*pid);
}

void onAppTerminate(const std::optional<platform::NoteUserInfo>& info) {
    auto pid = processIdOf(info);
    if (!pid) return;
    ShellState::shared().runningAppsByPid.erase(*pid);
    // The application in front is gone (its windows too, where the desktop
    // stops telling them): the global bindings act until another is activated.
    auto& current = engine::CurrentApp::shared();
    if (current.pid != *pid) return;
    current.bundleId.clear();
    current.pid = -1;
    current.windowId = 0;
    current.settingsKey = engine::settingsKeyFor(current.bundleId);
}

void onActiveNote(const std::optional<platform::NoteUserInfo>& info) {
    if (!info || !info->application) return;
    const platform::RunningApplication& app = *info->application;
    auto& byPid = ShellState::shared().runningAppsByPid;
    bool known = false;
    for (const auto& [pid, running] : byPid)
        if (running == app) known = true;
    if (!known) byPid[app.pid] = app;

    auto& current = engine::CurrentApp::shared();
    if (current.pid == app.pid) return;
    current.bundleId = engine::resolveAppId(app);
    current.pid = app.pid;
    current.settingsKey = engine::settingsKeyFor(current.bundleId);
}

} // namespace corv::app
