#include "platform/desktop/windows/XwaylandDesktops.h"

#include "platform/desktop/x11/X11Session.h"

namespace corv::desktop {

std::optional<CompositorDesktops> xwaylandDesktops(X11Session& x11) {
    const auto count = x11.desktopCount();
    if (!count || *count <= 0) return std::nullopt;
    const long current = x11.currentDesktop().value_or(0);
    if (current < 0 || current >= *count) return std::nullopt;
    return CompositorDesktops{static_cast<int>(current), static_cast<int>(*count)};
}

bool stepXwaylandDesktop(X11Session& x11, int step) {
    const auto desktops = xwaylandDesktops(x11);
    if (!desktops) return false;
    const int next = desktops->current + step;
    if (next < 0 || next >= desktops->count) return false;
    x11.setCurrentDesktop(next);
    return true;
}

} // namespace corv::desktop
