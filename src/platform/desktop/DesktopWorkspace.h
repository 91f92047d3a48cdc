#pragma once

#include "platform/AppFolders.h"
#include "platform/Workspace.h"

#include <mutex>

namespace corv::desktop {

// The user's running processes from /proc. A process whose program is the
// one a desktop entry starts is a regular application with that entry's id
// and name; the others are background processes. Activating and opening
// are not done here.
class DesktopWorkspace final : public platform::Workspace {
public:
    explicit DesktopWorkspace(platform::AppFolders& folders, std::string procRoot = "/proc");

    std::optional<platform::RunningApplication> runningApplication(std::int32_t pid) override;
    std::vector<platform::RunningApplication> runningApplications() override;
    bool isActive(std::int32_t) override { return false; }
    bool activate(std::int32_t) override { return false; }
    bool openUrl(const Url&) override { return false; }
    void openApplication(const Url&) override {}
    std::optional<Url> applicationToOpenUrl(const Url&) override { return std::nullopt; }

private:
    // The desktop entries, read once and again at each listing.
    std::vector<platform::DesktopApplication> entries(bool reread);
    std::optional<platform::RunningApplication> describe(std::int32_t pid,
                                                         const std::vector<platform::DesktopApplication>& apps);

    platform::AppFolders& folders_;
    std::string procRoot_;
    std::mutex mutex_;
    bool loaded_ = false;
    std::vector<platform::DesktopApplication> entries_;
};

} // namespace corv::desktop
