#include "recorders/FollowingApps.h"

#include "model/UIApp.h"

namespace corv::recorders {

namespace {

template <class Locked>
std::vector<std::string> unlocked(const AppEntries& apps, Locked locked) {
    const AppEntries& all = Apps::shared().a.get();
    std::vector<std::string> ids;
    for (const auto& [id, entry] : apps) {
        (void)entry;
        if (id.empty()) continue;
        auto it = all.find(id);
        if (it != all.end() && !locked(it->second)) ids.push_back(id);
    }
    return ids;
}

} // namespace

std::string selectedAppId() { return UIApp::shared().id.get(); }

std::vector<std::string> unlockedGesApps(const AppEntries& apps) {
    return unlocked(apps, [](const AnApp& a) { return a.gesLock; });
}

std::vector<std::string> unlockedKeyApps(const AppEntries& apps) {
    return unlocked(apps, [](const AnApp& a) { return a.keyLock; });
}

} // namespace corv::recorders
