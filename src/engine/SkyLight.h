#pragma once

// The window server's main connection, fetched once and used by every
// window-server call of the engine.

#include "model/Shared.h"
#include "platform/Platform.h"

#include <optional>

namespace corv::engine {

struct SkyLight {
    std::optional<platform::WindowServerConnection> connection;
};

inline platform::WindowServerConnection skyLightConnection() {
    auto& c = Shared<SkyLight>::instance().connection;
    if (!c) c = platform::windowServer().mainConnection();
    return *c;
}

// The cursor in global coordinates, origin top left.
inline platform::Point cursorLocation() { return platform::windowServer().cursorLocation(skyLightConnection()); }

} // namespace corv::engine
