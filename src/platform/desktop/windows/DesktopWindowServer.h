#pragma once

#include "platform/WindowServer.h"

namespace corv::desktop {

class X11Session;
class CompositorWindows;

// On X11, the window under a point is the client window there and its owner
// is its process: the "connection" of an owner is its pid. The cursor comes
// from X11, else from Qt (the origin without a GUI application). This desktop
// has no symbolic hot keys. In a Wayland session the compositor's facility
// answers: the window under the pointer where it knows it, else the focused
// window, and the owner is the window's process.
class DesktopWindowServer final : public platform::WindowServer {
public:
    // `x11` null: the program's own session.
    // `compositor` non-null: a Wayland session's facility, used instead of X11.
    explicit DesktopWindowServer(X11Session* x11 = nullptr, CompositorWindows* compositor = nullptr)
        : x11_(x11), compositor_(compositor) {}

    platform::WindowServerConnection mainConnection() override { return 1; }
    platform::Point cursorLocation(platform::WindowServerConnection) override;
    std::optional<platform::SymbolicHotKeyValue> symbolicHotKeyValue(std::uint32_t) override { return std::nullopt; }
    bool isSymbolicHotKeyEnabled(std::uint32_t) override { return false; }
    void setSymbolicHotKeyEnabled(std::uint32_t, bool) override {}
    std::optional<platform::WindowAndOwner> findWindowAndOwner(platform::WindowServerConnection,
                                                               platform::Point point) override;
    std::optional<std::int32_t> connectionPid(platform::WindowServerConnection owner) override;

private:
    X11Session& x11();
    X11Session* x11_;
    CompositorWindows* compositor_;
};

} // namespace corv::desktop
