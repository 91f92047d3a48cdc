#pragma once

#include "platform/ProcessInfo.h"

#include <string_view>

namespace corv::desktop {

// Processes as /proc shows them.
class DesktopProcessInfo final : public platform::ProcessInfo {
public:
    std::int32_t currentPid() override;
    std::optional<std::string> executablePath(std::int32_t pid) override;
    std::optional<std::string> name(std::int32_t pid) override;
    // Another user's process or a system service; a process that cannot be
    // read is neither.
    std::optional<bool> partOfSystem(std::int32_t pid) override;
};

// The rule over a process's /proc status and cgroup texts.
bool systemProcessFrom(std::string_view status, std::string_view cgroup, unsigned ownUid);

} // namespace corv::desktop
