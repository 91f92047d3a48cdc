#pragma once

#include "platform/Workspace.h"
#include "platform/desktop/apps/DesktopApps.h"
#include "platform/desktop/x11/X11Session.h"

namespace corv::desktop {

// Running applications are the processes owning managed X11 windows; each is
// named by its desktop entry (the window's class matched to an installed
// entry, else the desktop-file id in its cgroup), else by its executable.
// Documents, URLs and applications open through desktop entries, never
// through a shell. Main thread.
class DesktopWorkspace final : public platform::Workspace {
public:
    // `x11` null: the program's own session.
    explicit DesktopWorkspace(X11Session* x11 = nullptr) : x11_(x11) {}

    std::optional<platform::RunningApplication> runningApplication(std::int32_t pid) override;
    // The same, for a process whose window's class is known already.
    std::optional<platform::RunningApplication> applicationOf(std::int32_t pid, const std::optional<WmClass>& wmClass);
    std::vector<platform::RunningApplication> runningApplications() override;
    bool isActive(std::int32_t pid) override;
    bool activate(std::int32_t pid) override;
    bool openUrl(const Url& url) override;
    void openApplication(const Url& applicationUrl) override;
    std::optional<Url> applicationToOpenUrl(const Url& url) override;

private:
    X11Session& x11();
    std::optional<DesktopApp> handlerFor(const std::string& target, bool& isFile);
    std::optional<DesktopApp> appOfProcess(std::int32_t pid, const std::optional<WmClass>& wmClass);

    X11Session* x11_;
    DesktopApps apps_;
};

} // namespace corv::desktop
