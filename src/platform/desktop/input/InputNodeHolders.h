#pragma once

// Who else has an input node open. The display server, the compositor and
// logind hold every node of the seat and grab none for themselves, so they
// are left out: the others are the programs that may hold its grab.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corv::desktop {

struct NodeHolders {
    std::vector<std::int32_t> pids;  // ascending
    bool infrastructure = false;     // seat infrastructure has it open

    // The processes to name as holding it: the others, else -1 (unknown)
    // when nobody visible has it open at all.
    std::vector<std::int32_t> listed() const;
};

// Whether the command (a process's short name) is a display server, a
// compositor or logind.
bool seatInfrastructure(std::string_view command);

// Every process but this one with the node open, seat infrastructure left out.
NodeHolders inputNodeHolders(const std::string& devnode, const std::string& procRoot = "/proc");

} // namespace corv::desktop
