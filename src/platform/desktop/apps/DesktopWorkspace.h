#pragma once

#include "platform/Workspace.h"
#include "platform/desktop/apps/DesktopApps.h"
#include "platform/desktop/windows/CompositorWindows.h"
#include "platform/desktop/x11/X11Session.h"

namespace corv::desktop {

// Running applications are the processes owning managed X11 windows; each is
// named by its desktop entry (the window's class matched to an installed
// entry, else the desktop-file id in its cgroup), else by its executable.
// Documents, URLs and applications open through desktop entries, never
// through a shell. In a Wayland session the compositor's facility tells the
// windows, and a window's app id names its entry first. Main thread.
class DesktopWorkspace final : public platform::Workspace {
public:
    // `x11` null: the program's own session.
    // `compositor` non-null: a Wayland session's facility, used instead of X11.
    explicit DesktopWorkspace(X11Session* x11 = nullptr, CompositorWindows* compositor = nullptr)
        : x11_(x11), compositor_(compositor) {}

    std::optional<platform::RunningApplication> runningApplication(std::int32_t pid) override;
    // The same, for a process whose window's class (and Wayland app id) is known already.
    std::optional<platform::RunningApplication> applicationOf(std::int32_t pid, const std::optional<WmClass>& wmClass,
                                                              const std::string& appId = {});
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
    X11Session& x11();
    std::optional<DesktopApp> handlerFor(const std::string& target, bool& isFile);
    std::optional<DesktopApp> appOfProcess(std::int32_t pid, const std::optional<WmClass>& wmClass,
                                           const std::string& appId);

    X11Session* x11_;
    CompositorWindows* compositor_;
    DesktopApps apps_;
    std::optional<platform::RunningApplication> dockStandIn_;
};

} // namespace corv::desktop
