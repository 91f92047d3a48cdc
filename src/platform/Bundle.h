#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corv::platform {

// What the program knows of itself and its process.
class Bundle {
public:
    virtual ~Bundle() = default;
    // The short version string; nothing when it is missing.
    virtual std::optional<std::string> shortVersion() const = 0;
    // The program's own path (the bundle path of a packaged program).
    virtual std::string path() const = 0;
    // The process arguments, the program path first.
    virtual std::vector<std::string> arguments() const = 0;
};

} // namespace corv::platform
