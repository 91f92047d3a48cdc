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

std::optional<std::string> appEntryKey(const std::string& bundleId, const std::vector<std::string>& entryPrograms) {
    const auto& entries = Apps::shared().a.get();
    if (entries.count(bundleId)) return bundleId;
    for (const std::string& program : entryPrograms)
        if (!program.empty() && entries.count(program)) return program;
    return std::nullopt;
}

std::string settingsKeyFor(const std::string& bundleId, const std::vector<std::string>& entryPrograms) {
    if (bundleId.empty()) return {};
    const auto key = appEntryKey(bundleId, entryPrograms);
    return key && Apps::shared().a.get().at(*key).enabled ? *key : std::string();
}

} // namespace corv::engine
