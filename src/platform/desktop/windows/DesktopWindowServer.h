#pragma once

#include "platform/WindowServer.h"

namespace corv::desktop {

class CompositorWindows;

// The window under a point is the one the desktop's windows facility finds
// there, where it can tell, else the focused window; its owner is its
// process: the "connection" of an owner is its pid. The cursor is the
// facility's (the origin when it does not say). This desktop has no symbolic
// hot keys.
class DesktopWindowServer final : public platform::WindowServer {
public:
    explicit DesktopWindowServer(CompositorWindows& windows) : windows_(windows) {}

    platform::WindowServerConnection mainConnection() override { return 1; }
    platform::Point cursorLocation(platform::WindowServerConnection) override;
    std::optional<platform::SymbolicHotKeyValue> symbolicHotKeyValue(std::uint32_t) override { return std::nullopt; }
    bool isSymbolicHotKeyEnabled(std::uint32_t) override { return false; }
    void setSymbolicHotKeyEnabled(std::uint32_t, bool) override {}
    std::optional<platform::WindowAndOwner> findWindowAndOwner(platform::WindowServerConnection,
                                                               platform::Point point) override;
    std::optional<std::int32_t> connectionPid(platform::WindowServerConnection owner) override;

private:
    CompositorWindows& windows_;
};

} // namespace corv::desktop
