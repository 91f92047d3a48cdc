#pragma once

#include "platform/Spaces.h"

namespace corv::desktop {

class CompositorWindows;

// The desktop's desktops (EWMH's, or a compositor's workspaces) as the
// Spaces of one display, "Main", spanning every screen; a Space's id is its
// desktop number plus one. Nothing where the desktop does not tell them.
class DesktopSpaces final : public platform::Spaces {
public:
    explicit DesktopSpaces(CompositorWindows& windows) : windows_(windows) {}

    std::optional<std::string> bestManagedDisplayForPoint(platform::WindowServerConnection, platform::Point) override {
        return std::nullopt;
    }
    std::optional<std::vector<platform::ManagedDisplay>> managedDisplaySpaces(platform::WindowServerConnection) override;
    platform::SpaceId currentSpace(platform::WindowServerConnection, const std::string& displayIdentifier) override;
    std::optional<std::string> activeMenuBarDisplayIdentifier(platform::WindowServerConnection) override {
        return std::nullopt;
    }

private:
    CompositorWindows& windows_;
};

} // namespace corv::desktop
