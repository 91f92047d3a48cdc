#pragma once

#include "platform/Spaces.h"

namespace corv::desktop {

// This desktop's window manager tells nothing about its Spaces.
class DesktopSpaces final : public platform::Spaces {
public:
    std::optional<std::string> bestManagedDisplayForPoint(platform::WindowServerConnection, platform::Point) override {
        return std::nullopt;
    }
    std::optional<std::vector<platform::ManagedDisplay>> managedDisplaySpaces(platform::WindowServerConnection) override {
        return std::nullopt;
    }
    platform::SpaceId currentSpace(platform::WindowServerConnection, const std::string&) override { return 0; }
    std::optional<std::string> activeMenuBarDisplayIdentifier(platform::WindowServerConnection) override {
        return std::nullopt;
    }
};

} // namespace corv::desktop
