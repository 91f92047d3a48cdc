#include "platform/desktop/shell/SessionType.h"

#include <cstdlib>

namespace corv::desktop {

bool isWaylandSession(const std::string& sessionType, const std::string& waylandDisplay) {
    return sessionType == "wayland" || (sessionType != "x11" && !waylandDisplay.empty());
}

bool isWaylandSession() {
    const char* type = std::getenv("XDG_SESSION_TYPE");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return isWaylandSession(type ? type : "", wayland ? wayland : "");
}

} // namespace corv::desktop
