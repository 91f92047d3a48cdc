#pragma once

#include "platform/Bytes.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corv::platform {

// Starting other programs. Neither call blocks the caller.
class Processes {
public:
    virtual ~Processes() = default;

    // Runs the program with the arguments, its standard output and error into
    // one pipe, no standard input. When the output has ended and the program
    // has exited, `done` runs on the main queue with everything it wrote, or
    // with nothing when it could not be started.
    virtual void run(const std::string& path, const std::vector<std::string>& arguments,
                     std::function<void(std::optional<Bytes> output)> done) = 0;

    // Starts the program with its output discarded and does not wait for it;
    // false when it could not be started.
    virtual bool spawn(const std::string& path, const std::vector<std::string>& arguments) = 0;
};

} // namespace corv::platform
