#pragma once

#include "platform/Processes.h"

namespace corv::desktop {

// Programs started through QProcess. Create and call on the main thread.
class DesktopProcesses final : public platform::Processes {
public:
    void run(const std::string& path, const std::vector<std::string>& arguments,
             std::function<void(std::optional<Bytes> output)> done) override;
    bool spawn(const std::string& path, const std::vector<std::string>& arguments) override;
};

} // namespace corv::desktop
