#include "platform/desktop/windows/DesktopWindowServer.h"

#include "platform/desktop/windows/CompositorWindows.h"

namespace corv::desktop {

platform::Point DesktopWindowServer::cursorLocation(platform::WindowServerConnection) {
    return windows_.pointer().value_or(platform::Point{});
}

std::optional<platform::WindowAndOwner> DesktopWindowServer::findWindowAndOwner(platform::WindowServerConnection,
                                                                                platform::Point point) {
    // Where the desktop tells the focused window alone, it stands for the
    // one under the pointer.
    const auto window =
        windows_.can(CompositorCapability::WindowUnderPointer) ? windows_.windowAt(point) : windows_.focused();
    if (!window) return std::nullopt;
    return platform::WindowAndOwner{window->id, window->pid > 0 ? window->pid : 0};
}

std::optional<std::int32_t> DesktopWindowServer::connectionPid(platform::WindowServerConnection owner) {
    if (owner <= 0) return std::nullopt;
    return owner;
}

} // namespace corv::desktop
