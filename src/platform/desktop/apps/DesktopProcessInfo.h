#pragma once

#include "platform/ProcessInfo.h"

namespace corv::desktop {

// Processes as /proc shows them.
class DesktopProcessInfo final : public platform::ProcessInfo {
public:
    std::int32_t currentPid() override;
    std::optional<std::string> executablePath(std::int32_t pid) override;
    std::optional<std::string> name(std::int32_t pid) override;
};

} // namespace corv::desktop
