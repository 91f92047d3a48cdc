#include "platform/desktop/windows/DesktopSpaces.h"

#include "platform/desktop/windows/CompositorWindows.h"

#include <algorithm>

namespace corv::desktop {

namespace {

constexpr const char* kMain = "Main";
// More desktops than this are not listed.
constexpr int kMaxDesktops = 64;

} // namespace

std::optional<std::vector<platform::ManagedDisplay>> DesktopSpaces::managedDisplaySpaces(
    platform::WindowServerConnection) {
    const auto desktops = windows_.desktops();
    if (!desktops || desktops->count <= 0) return std::nullopt;
    std::vector<platform::ManagedSpace> spaces;
    for (int i = 0; i < std::min(desktops->count, kMaxDesktops); ++i)
        spaces.push_back(platform::ManagedSpace{static_cast<platform::SpaceId>(i + 1)});
    return std::vector<platform::ManagedDisplay>{platform::ManagedDisplay{kMain, std::move(spaces)}};
}

platform::SpaceId DesktopSpaces::currentSpace(platform::WindowServerConnection, const std::string& displayIdentifier) {
    if (displayIdentifier != kMain) return 0;
    const auto desktops = windows_.desktops();
    if (!desktops || desktops->current < 0) return 0;
    return static_cast<platform::SpaceId>(desktops->current + 1);
}

} // namespace corv::desktop
