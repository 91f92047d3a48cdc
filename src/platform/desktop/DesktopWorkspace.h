#pragma once

#include "platform/Workspace.h"

namespace corv::desktop {

// This desktop lists no running applications and opens nothing.
class DesktopWorkspace final : public platform::Workspace {
public:
    std::optional<platform::RunningApplication> runningApplication(std::int32_t) override { return std::nullopt; }
    std::vector<platform::RunningApplication> runningApplications() override { return {}; }
    bool isActive(std::int32_t) override { return false; }
    bool activate(std::int32_t) override { return false; }
    bool openUrl(const Url&) override { return false; }
    void openApplication(const Url&) override {}
    std::optional<Url> applicationToOpenUrl(const Url&) override { return std::nullopt; }
};

} // namespace corv::desktop
