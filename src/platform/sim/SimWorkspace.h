#pragma once

#include "platform/Workspace.h"

#include <map>

namespace corv::sim {

// Running applications the test lists, one active at a time; openings and
// activations are logged. The handler of a URL comes from `handlers`, keyed
// by the URL's text.
class SimWorkspace final : public platform::Workspace {
public:
    std::optional<platform::RunningApplication> runningApplication(std::int32_t pid) override;
    std::vector<platform::RunningApplication> runningApplications() override { return apps; }
    bool isActive(std::int32_t pid) override { return pid == activePid; }
    bool activate(std::int32_t pid) override;
    bool openUrl(const Url& url) override;
    void openApplication(const Url& applicationUrl) override { openedApplications.push_back(applicationUrl); }
    std::optional<Url> applicationToOpenUrl(const Url& url) override;

    // Adds a regular application with a bundle; the reference lasts until
    // the next addition.
    platform::RunningApplication& addApp(std::int32_t pid, const std::string& bundleId, const std::string& name);

    std::vector<platform::RunningApplication> apps;
    std::int32_t activePid = -1;
    std::map<std::string, Url> handlers;
    bool failOpen = false;

    std::vector<std::int32_t> activations;
    std::vector<Url> openedUrls;
    std::vector<Url> openedApplications;
    // Handler lookups, by URL text.
    std::vector<std::string> handlerQueries;
};

} // namespace corv::sim
