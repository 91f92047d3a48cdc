#pragma once

#include "platform/ProcessInfo.h"
#include "platform/sim/SimEventSystem.h"

#include <map>
#include <optional>
#include <set>

namespace corv::sim {

// Processes as data; this program is the event system's own process.
class SimProcessInfo final : public platform::ProcessInfo {
public:
    explicit SimProcessInfo(SimEventSystem& events) : events_(events) {}

    std::int32_t currentPid() override { return events_.ownPid; }
    std::optional<std::string> executablePath(std::int32_t pid) override {
        ++pathLookups;
        auto it = paths.find(pid);
        if (it == paths.end()) return std::nullopt;
        return it->second;
    }
    std::optional<std::string> name(std::int32_t pid) override {
        auto it = names.find(pid);
        if (it == names.end()) return std::nullopt;
        return it->second;
    }

    std::optional<bool> partOfSystem(std::int32_t pid) override {
        if (!systemRule) return std::nullopt;
        return systemProcesses.count(pid) > 0;
    }

    std::map<std::int32_t, std::string> paths;
    // A system with its own rule: the processes in the set are its own.
    bool systemRule = false;
    std::set<std::int32_t> systemProcesses;
    std::map<std::int32_t, std::string> names;
    int pathLookups = 0;

private:
    SimEventSystem& events_;
};

} // namespace corv::sim
