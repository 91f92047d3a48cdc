#include "platform/sim/SimAppFolders.h"

namespace corv::sim {

std::vector<std::string> SimAppFolders::enumerate(const std::string& folder) {
    auto it = items.find(folder);
    return it == items.end() ? std::vector<std::string>{} : it->second;
}

std::optional<platform::AppItemValues> SimAppFolders::resourceValues(const std::string& path) {
    auto it = values.find(path);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

std::optional<std::string> SimAppFolders::bundleIdentifier(const std::string& path) {
    auto it = identifiers.find(path);
    if (it == identifiers.end()) return std::nullopt;
    return it->second;
}

std::optional<platform::DesktopApplication> SimAppFolders::desktopApplicationAt(const std::string& path) {
    for (const platform::DesktopApplication& app : desktopApps)
        if (app.path == path) return app;
    return std::nullopt;
}

} // namespace corv::sim
