#include "engine/CurrentApp.h"

#include "model/Apps.h"
#include "model/Shared.h"

namespace corv::engine {

namespace {

struct CurrentRunningApp {
    std::optional<platform::RunningApplication> app;
};

} // namespace

CurrentApp& CurrentApp::shared() { return Shared<CurrentApp>::instance(); }

std::optional<platform::RunningApplication>& currentRunningApp() {
    return Shared<CurrentRunningApp>::instance().app;
}

std::string settingsKeyFor(const std::string& bundleId) {
    const auto& entries = Apps::shared().a.get();
    auto it = entries.find(bundleId);
    return it != entries.end() && it->second.enabled ? bundleId : std::string();
}

} // namespace corv::engine
