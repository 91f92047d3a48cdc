#pragma once

#include "platform/AppFolders.h"

#include <map>

namespace corv::sim {

// Application folders the test lays out: the items of each folder, their
// values and identifiers, and the desktop's entries.
class SimAppFolders final : public platform::AppFolders {
public:
    std::vector<std::string> applicationFolders() override { return folders; }
    std::vector<std::string> enumerate(const std::string& folder) override;
    std::optional<platform::AppItemValues> resourceValues(const std::string& path) override;
    std::optional<std::string> bundleIdentifier(const std::string& path) override;
    std::vector<platform::DesktopApplication> desktopApplications() override { return desktopApps; }
    std::optional<platform::DesktopApplication> desktopApplicationAt(const std::string& path) override;
    std::string userEntryFolder() override { return entryFolder; }

    std::vector<std::string> folders{"/Applications", "/home/user/Applications", "/System/Applications"};
    std::map<std::string, std::vector<std::string>> items;
    std::map<std::string, platform::AppItemValues> values;
    std::map<std::string, std::string> identifiers;
    std::vector<platform::DesktopApplication> desktopApps;
    std::string entryFolder = "/home/user/.local/share/applications";
};

} // namespace corv::sim
