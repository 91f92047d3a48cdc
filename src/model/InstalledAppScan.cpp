#include "model/InstalledAppScan.h"

#include "model/AppDisplayName.h"
#include "platform/Background.h"
#include "platform/Platform.h"

#include <algorithm>

namespace corv {

namespace {

std::string lastComponent(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void publish(ApplicationSet found, CallerThread caller) {
    if (caller == CallerThread::Main) {
        ApplicationSets::shared().installedApps = std::move(found);
        return;
    }
    platform::runLoop().postFromAnyThread(
        [found = std::move(found)]() mutable { ApplicationSets::shared().installedApps = std::move(found); });
}

} // namespace

std::vector<std::string> enumerateAppBundles(platform::AppFolders& folders, const std::string& folder) {
    std::vector<std::string> kept;
    if (folder.empty()) return kept;
    for (std::string& item : folders.enumerate(folder)) {
        const std::string name = lastComponent(item);
        const auto dot = name.rfind('.');
        if (dot != std::string::npos && dot != 0 && name.compare(dot + 1, std::string::npos, "app") == 0)
            kept.push_back(std::move(item));
    }
    return kept;
}

ApplicationSet collectInstalledApps(platform::AppFolders& folders) {
    std::vector<std::string> candidates;
    for (const std::string& folder : folders.applicationFolders())
        for (std::string& item : enumerateAppBundles(folders, folder)) candidates.push_back(std::move(item));

    ApplicationSet found;
    for (const std::string& path : candidates) {
        const std::optional<platform::AppItemValues> v = folders.resourceValues(path);
        if (!v) continue;
        if (!((v->isApplication || v->isSymbolicLink || v->isAliasFile) && v->isExecutable)) continue;
        std::optional<std::string> id = folders.bundleIdentifier(path);
        if (!id || id->empty()) id = path;
        found.insert(Application{Url::fileFromPath(path, "/"), fileDisplayName(path), std::move(*id)});
    }
    for (const platform::DesktopApplication& app : folders.desktopApplications()) {
        if (app.id.empty() || app.name.empty()) continue;
        found.insert(Application{Url::fileFromPath(app.path, "/"), app.name, app.id});
    }
    return found;
}

void scanInstalledApps(CallerThread caller) { publish(collectInstalledApps(platform::appFolders()), caller); }

void startInstalledScan() {
    platform::background().run([] { scanInstalledApps(CallerThread::Background); });
}

} // namespace corv
