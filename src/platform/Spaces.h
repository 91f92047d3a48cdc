#pragma once

// The window server's Spaces and the displays it manages them on.

#include "platform/Point.h"
#include "platform/WindowServer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corv::platform {

using SpaceId = std::uint64_t;  // 0: none

// One Space of a managed display; the id is absent when it is not a number.
struct ManagedSpace {
    std::optional<SpaceId> id64;
    bool operator==(const ManagedSpace&) const = default;
};

// One entry of the managed display spaces: its "Display Identifier" (a UUID,
// or "Main") and its "Spaces"; either may be missing.
struct ManagedDisplay {
    std::optional<std::string> displayIdentifier;
    std::optional<std::vector<ManagedSpace>> spaces;
    bool operator==(const ManagedDisplay&) const = default;
};

class Spaces {
public:
    virtual ~Spaces() = default;
    // The UUID of the managed display best fitting the point.
    virtual std::optional<std::string> bestManagedDisplayForPoint(WindowServerConnection connection, Point point) = 0;
    // Nothing when the window server gives no list.
    virtual std::optional<std::vector<ManagedDisplay>> managedDisplaySpaces(WindowServerConnection connection) = 0;
    // The current Space of the display; 0 when none.
    virtual SpaceId currentSpace(WindowServerConnection connection, const std::string& displayIdentifier) = 0;
    // The display holding the active menu bar: a UUID, or "Main".
    virtual std::optional<std::string> activeMenuBarDisplayIdentifier(WindowServerConnection connection) = 0;
};

} // namespace corv::platform
