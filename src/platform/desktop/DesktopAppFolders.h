#pragma once

#include "platform/AppFolders.h"

namespace corv::desktop {

// Application bundles under configurable folders, and the XDG desktop
// entries of the data folders.
class DesktopAppFolders final : public platform::AppFolders {
public:
    // Empty lists mean the standard places: /Applications, ~/Applications and
    // /System/Applications; $XDG_DATA_HOME and $XDG_DATA_DIRS.
    explicit DesktopAppFolders(std::vector<std::string> folders = {}, std::vector<std::string> dataDirs = {});

    std::vector<std::string> applicationFolders() override { return folders_; }
    std::vector<std::string> enumerate(const std::string& folder) override;
    std::optional<platform::AppItemValues> resourceValues(const std::string& path) override;
    std::optional<std::string> bundleIdentifier(const std::string& path) override;
    std::vector<platform::DesktopApplication> desktopApplications() override;
    std::optional<platform::DesktopApplication> desktopApplicationAt(const std::string& path) override;

    static std::vector<std::string> standardDataDirs();

private:
    std::vector<std::string> folders_;
    std::vector<std::string> dataDirs_;
};

// One desktop entry: nothing when it is no application to list (another
// Type, NoDisplay, Hidden, or no Name).
std::optional<platform::DesktopApplication> readDesktopApplication(const std::string& text);

} // namespace corv::desktop
