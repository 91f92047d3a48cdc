#pragma once

#include "platform/Spaces.h"

namespace corv::desktop {

class X11Session;
class CompositorWindows;

// The EWMH desktops as the Spaces of one display, "Main", spanning every
// screen; a Space's id is its desktop number plus one. Nothing without X11
// or a window manager that tells its desktops. In a Wayland session the
// compositor's facility tells them, when it can.
class DesktopSpaces final : public platform::Spaces {
public:
    // `x11` null: the program's own session.
    // `compositor` non-null: a Wayland session's facility, used instead of X11.
    explicit DesktopSpaces(X11Session* x11 = nullptr, CompositorWindows* compositor = nullptr)
        : x11_(x11), compositor_(compositor) {}

    std::optional<std::string> bestManagedDisplayForPoint(platform::WindowServerConnection, platform::Point) override {
        return std::nullopt;
    }
    std::optional<std::vector<platform::ManagedDisplay>> managedDisplaySpaces(platform::WindowServerConnection) override;
    platform::SpaceId currentSpace(platform::WindowServerConnection, const std::string& displayIdentifier) override;
    std::optional<std::string> activeMenuBarDisplayIdentifier(platform::WindowServerConnection) override {
        return std::nullopt;
    }

private:
    X11Session& x11();
    std::optional<long> desktopCount();
    std::optional<long> currentDesktop();
    X11Session* x11_;
    CompositorWindows* compositor_;
};

} // namespace corv::desktop
