#include "platform/desktop/DesktopDisplayCheck.h"

#include <cstdio>
#include <cstdlib>

namespace corv::desktop {

namespace {

bool set(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

} // namespace

void useOffscreenWithoutDisplay() {
    if (set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY")) return;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::fputs("corvadine: no display found; running on the offscreen platform\n", stderr);
}

} // namespace corv::desktop
