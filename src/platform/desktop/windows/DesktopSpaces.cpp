#include "platform/desktop/windows/DesktopSpaces.h"

#include "platform/desktop/windows/CompositorWindows.h"
#include "platform/desktop/x11/X11Session.h"

#include <algorithm>

namespace corv::desktop {

namespace {

constexpr const char* kMain = "Main";
// More desktops than this are not listed.
constexpr long kMaxDesktops = 64;

} // namespace

X11Session& DesktopSpaces::x11() { return x11_ ? *x11_ : X11Session::standard(); }

std::optional<long> DesktopSpaces::desktopCount() {
    if (!compositor_) return x11().desktopCount();
    const auto desktops = compositor_->desktops();
    if (!desktops) return std::nullopt;
    return desktops->count;
}

std::optional<long> DesktopSpaces::currentDesktop() {
    if (!compositor_) return x11().currentDesktop();
    const auto desktops = compositor_->desktops();
    if (!desktops) return std::nullopt;
    return desktops->current;
}

std::optional<std::vector<platform::ManagedDisplay>> DesktopSpaces::managedDisplaySpaces(
    platform::WindowServerConnection) {
    const auto count = desktopCount();
    if (!count || *count <= 0) return std::nullopt;
    std::vector<platform::ManagedSpace> spaces;
    for (long i = 0; i < std::min(*count, kMaxDesktops); ++i)
        spaces.push_back(platform::ManagedSpace{static_cast<platform::SpaceId>(i + 1)});
    return std::vector<platform::ManagedDisplay>{platform::ManagedDisplay{kMain, std::move(spaces)}};
}

platform::SpaceId DesktopSpaces::currentSpace(platform::WindowServerConnection, const std::string& displayIdentifier) {
    if (displayIdentifier != kMain) return 0;
    const auto current = currentDesktop();
    if (!current || *current < 0) return 0;
    return static_cast<platform::SpaceId>(*current + 1);
}

} // namespace corv::desktop
