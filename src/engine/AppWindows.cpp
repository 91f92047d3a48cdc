#include "engine/AppWindows.h"

#include "engine/CurrentApp.h"
#include "engine/SenderDevice.h"
#include "engine/SkyLight.h"
#include "model/ShellState.h"
#include "platform/Platform.h"

#include <algorithm>

namespace corv::engine {

namespace {

constexpr std::int64_t kMaxWindows = 100;

// The running application of a pid: the shell's map first, then the
// workspace, whose answer the map keeps.
std::optional<platform::RunningApplication> resolveRunningApp(std::int32_t pid) {
    auto& byPid = ShellState::shared().runningAppsByPid;
    if (auto it = byPid.find(pid); it != byPid.end()) return it->second;
    auto app = platform::workspace().runningApplication(pid);
    if (app) byPid[pid] = *app;
    return app;
}

std::string resolveCurrent(std::int32_t pid) {
    auto& running = currentRunningApp();
    running = resolveRunningApp(pid);
    return running ? resolveAppId(*running) : std::string();
}

// Over Control Center, a menu-bar item counts as its owning application.
void resolveMenuBarItemOwner(platform::Point point) {
    auto& ax = platform::accessibility();
    auto& current = CurrentApp::shared();
    auto element = ax.elementAtPosition(ax.systemWide(), static_cast<float>(point.x), static_cast<float>(point.y));
    if (!element) return;
    auto role = ax.copyAttributeValue(*element, "AXRole");
    const auto* roleText = role ? std::get_if<std::string>(&*role) : nullptr;
    if (!roleText || *roleText != "AXMenuBarItem") return;
    auto pid = ax.pid(*element);
    if (!pid) return;
    current.pid = *pid;
    if (*pid <= 0) return;
    current.bundleId = resolveCurrent(*pid);
}

std::optional<platform::AXElement> findCurrentWindow(std::size_t minimumWindows) {
    auto& ax = platform::accessibility();
    auto& current = CurrentApp::shared();
    current.axApp = ax.createApplication(current.pid);
    auto windows = ax.copyAttributeValues(*current.axApp, "AXWindows", 0, kMaxWindows);
    if (!windows || windows->size() < minimumWindows) return std::nullopt;
    for (const auto& value : *windows) {
        const auto* window = std::get_if<platform::AXElement>(&value);
        if (!window) continue;
        auto id = ax.windowId(*window);
        if (id && *id == current.windowId) return *window;
    }
    return std::nullopt;
}

} // namespace

std::string resolveAppId(const platform::RunningApplication& app) {
    if (app.bundleIdentifier && !app.bundleIdentifier->empty()) return *app.bundleIdentifier;
    if (app.bundlePath) return *app.bundlePath;
    if (app.localizedName) return *app.localizedName;
    return {};
}

bool isZoomWindowExcluded(const std::string& bundleId) {
    return std::any_of(zoomWindowExcludedApps.begin(), zoomWindowExcludedApps.end(),
                       [&](std::string_view fragment) { return containsIgnoringCase(bundleId, fragment); });
}

void appUnderCursor(platform::Point point) {
    auto& current = CurrentApp::shared();
    current.bundleId.clear();
    // A failed lookup ends the search with no application and no window: the
    // global bindings apply and a raise finds nothing to act on.
    current.pid = -1;
    current.windowId = 0;
    auto& ws = platform::windowServer();
    if (auto found = ws.findWindowAndOwner(skyLightConnection(), point)) {
        current.windowId = found->windowId;
        if (auto pid = ws.connectionPid(found->owner)) {
            current.pid = *pid;
            if (current.pid > 0) {
                current.bundleId = resolveCurrent(current.pid);
                if (current.bundleId == "com.apple.controlcenter") resolveMenuBarItemOwner(point);
            }
        }
    }
    current.settingsKey = settingsKeyFor(current.bundleId);
}

void raiseWindowUnderCursor() {
    auto& current = CurrentApp::shared();
    if (isZoomWindowExcluded(current.bundleId)) return;
    // No application under the pointer.
    if (current.pid <= 0) return;
    if (auto window = appWindowToRaise()) {
        auto& ax = platform::accessibility();
        if (auto focused = ax.copyAttributeValue(*current.axApp, "AXFocusedWindow")) {
            const auto* focusedWindow = std::get_if<platform::AXElement>(&*focused);
            if (!focusedWindow || *focusedWindow != *window) ax.performAction(*window, "AXRaise");
        }
    }
    auto& running = currentRunningApp();
    auto& workspace = platform::workspace();
    if (running && !workspace.isActive(running->pid)) workspace.activate(running->pid);
}

void toggleFullScreen(platform::Point point) {
    appUnderCursor(point);
    if (isZoomWindowExcluded(CurrentApp::shared().bundleId)) return;
    auto window = appWindows();
    if (!window) return;
    auto& ax = platform::accessibility();
    auto value = ax.copyAttributeValue(*window, "AXFullScreen");
    if (!value || std::holds_alternative<std::monostate>(*value)) return;
    const auto* flag = std::get_if<bool>(&*value);
    ax.setAttributeValue(*window, "AXFullScreen", platform::AXValue(flag && !*flag));
}

std::optional<platform::AXElement> appWindows() { return findCurrentWindow(0); }

std::optional<platform::AXElement> appWindowToRaise() { return findCurrentWindow(2); }

} // namespace corv::engine
