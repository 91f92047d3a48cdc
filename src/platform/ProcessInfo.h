#pragma once

// This program's process id, and the executable path and short name of any
// process by id.

#include <cstdint>
#include <optional>
#include <string>

namespace corv::platform {

class ProcessInfo {
public:
    virtual ~ProcessInfo() = default;
    virtual std::int32_t currentPid() = 0;
    // The raw bytes of the path (a zero byte may end them); nothing when it
    // cannot be read.
    virtual std::optional<std::string> executablePath(std::int32_t pid) = 0;
    // The raw bytes of the process name; nothing when it cannot be read.
    virtual std::optional<std::string> name(std::int32_t pid) = 0;
    // Where the system has a rule of its own for what is part of it: whether
    // the process is. Nothing where the executable's folder decides.
    virtual std::optional<bool> partOfSystem(std::int32_t pid) {
        (void)pid;
        return std::nullopt;
    }
};

} // namespace corv::platform
