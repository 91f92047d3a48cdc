#pragma once

#include "platform/Processes.h"
#include "platform/sim/SimRunLoop.h"

#include <deque>

namespace corv::sim {

// Records every program started. A run finishes on the next turn of the main
// queue with what `respond` gives (empty output by default).
class SimProcesses final : public platform::Processes {
public:
    struct Start {
        std::string path;
        std::vector<std::string> arguments;
        bool detached;  // started with spawn
        bool operator==(const Start&) const = default;
    };

    explicit SimProcesses(SimRunLoop& loop) : loop_(loop) {}

    void run(const std::string& path, const std::vector<std::string>& arguments,
             std::function<void(std::optional<Bytes> output)> done) override;
    bool spawn(const std::string& path, const std::vector<std::string>& arguments) override;

    Start takeStart();

    std::deque<Start> starts;
    // The output of a run; nothing: it could not be started.
    std::function<std::optional<Bytes>(const Start&)> respond;
    bool failSpawn = false;

private:
    SimRunLoop& loop_;
};

} // namespace corv::sim
