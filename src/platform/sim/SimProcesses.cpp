#include "platform/sim/SimProcesses.h"

#include "platform/sim/TakeFront.h"

#include <utility>

namespace corv::sim {

void SimProcesses::run(const std::string& path, const std::vector<std::string>& arguments,
                       std::function<void(std::optional<Bytes> output)> done) {
    Start s{path, arguments, false};
    starts.push_back(s);
    std::optional<Bytes> output = respond ? respond(s) : std::optional<Bytes>(Bytes{});
    if (done) loop_.post([done = std::move(done), output = std::move(output)] { done(output); });
}

bool SimProcesses::spawn(const std::string& path, const std::vector<std::string>& arguments) {
    starts.push_back(Start{path, arguments, true});
    return !failSpawn;
}

SimProcesses::Start SimProcesses::takeStart() {
    return takeFront(starts, "the process starts");
}

} // namespace corv::sim
