#include "model/ApplicationSets.h"

#include "model/AppDisplayName.h"
#include "model/Shared.h"
#include "platform/Platform.h"

#include <algorithm>
#include <utility>

namespace corv {

namespace {

std::string runningAppId(const platform::RunningApplication& app) {
    if (app.bundleIdentifier && !app.bundleIdentifier->empty()) return *app.bundleIdentifier;
    if (app.bundlePath) return *app.bundlePath;
    if (app.localizedName) return *app.localizedName;
    return {};
}

ApplicationSet listRunningApps() {
    ApplicationSet found;
    for (const auto& app : platform::workspace().runningApplications()) {
        if (app.activationPolicy != platform::ActivationPolicy::Regular) continue;
        std::string id = runningAppId(app);
        if (id.empty()) continue;
        // A desktop entry is named by its Name, as the installed scan names it,
        // so that a running application meets its installed record; the
        // workspace has read it already.
        const bool entry = app.bundlePath && app.bundlePath->ends_with(".desktop") && app.localizedName &&
                           !app.localizedName->empty();
        std::string name = entry ? *app.localizedName : app.bundlePath ? appDisplayName(*app.bundlePath) : id;
        const std::string path = app.bundlePath ? *app.bundlePath : app.executablePath ? *app.executablePath : "/";
        found.insert(Application{Url::fileFromPath(path, "/"), std::move(name), std::move(id)});
    }
    return found;
}

} // namespace

ApplicationSets& ApplicationSets::shared() { return Shared<ApplicationSets>::instance(); }

void scanRunningApps(CallerThread caller) {
    ApplicationSet running = listRunningApps();
    if (caller == CallerThread::Main) {
        ApplicationSets::shared().runningApps = std::move(running);
        return;
    }
    platform::runLoop().postFromAnyThread(
        [running = std::move(running)]() mutable { ApplicationSets::shared().runningApps = std::move(running); });
}

void rebuildAllApps() {
    auto& sets = ApplicationSets::shared();
    ApplicationSet all = sets.installedApps;
    for (const auto& app : sets.runningApps) {
        const bool named = std::any_of(all.begin(), all.end(), [&](const Application& a) { return a.name == app.name; });
        if (!named) all.insert(app);
    }
    sets.allApps = std::move(all);
}

void refreshRunningApps(CallerThread caller) {
    scanRunningApps(caller);
    if (caller == CallerThread::Main)
        rebuildAllApps();
    else
        platform::runLoop().postFromAnyThread(rebuildAllApps);
}

} // namespace corv
