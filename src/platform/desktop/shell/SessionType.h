#pragma once

#include <string>

namespace corv::desktop {

// Whether the session is a Wayland one: its type says so, or it names no type
// and has a Wayland display. An X11 session keeps X11 whatever display is
// left over in its environment.
bool isWaylandSession(const std::string& sessionType, const std::string& waylandDisplay);

// The same for the program's own environment.
bool isWaylandSession();

} // namespace corv::desktop
