#pragma once

#include "platform/Workspace.h"
#include "platform/desktop/apps/DesktopApps.h"
#include "platform/desktop/windows/CompositorWindows.h"

namespace corv::desktop {

// Running applications are the processes owning the desktop's windows, as
// its windows facility tells them; each is named by its desktop entry (the
// window's app id, else its class matched to an installed entry, else the
// desktop-file id in its cgroup), else by its executable. Documents, URLs and
// applications open through desktop entries, never through a shell. Main
// thread.
class DesktopWorkspace final : public platform::Workspace {
public:
    explicit DesktopWorkspace(CompositorWindows& windows) : windows_(windows) {}

    std::optional<platform::RunningApplication> runningApplication(std::int32_t pid) override;
    // The same, for a process named by the window (its app id and class); null: by nothing.
    std::optional<platform::RunningApplication> applicationOf(std::int32_t pid, const CompositorWindow* window);
    std::vector<platform::RunningApplication> runningApplications() override;
    // The Dock's identifier finds the stand-in, when there is one.
    std::vector<platform::RunningApplication> runningApplicationsWithBundleIdentifier(const std::string& id) override;
    // What stands in for the Dock: the program itself while the desktop's
    // shell shows overviews (see DesktopAxObservers); listed nowhere else.
    void setDockStandIn(std::optional<platform::RunningApplication> standIn) { dockStandIn_ = std::move(standIn); }
    bool isActive(std::int32_t pid) override;
    bool activate(std::int32_t pid) override;
    bool openUrl(const Url& url) override;
    void openApplication(const Url& applicationUrl) override;
    std::optional<Url> applicationToOpenUrl(const Url& url) override;

private:
    std::optional<DesktopApp> handlerFor(const std::string& target, bool& isFile);
    std::optional<DesktopApp> appOfProcess(std::int32_t pid, const CompositorWindow* window);

    CompositorWindows& windows_;
    DesktopApps apps_;
    std::optional<platform::RunningApplication> dockStandIn_;
};

} // namespace corv::desktop
