#pragma once

#include "platform/WindowServer.h"

namespace corv::desktop {

// The cursor comes from Qt (the origin when there is no GUI application);
// this desktop has no symbolic hot keys and no window lookup.
class DesktopWindowServer final : public platform::WindowServer {
public:
    platform::WindowServerConnection mainConnection() override { return 1; }
    platform::Point cursorLocation(platform::WindowServerConnection) override;
    std::optional<platform::SymbolicHotKeyValue> symbolicHotKeyValue(std::uint32_t) override { return std::nullopt; }
    bool isSymbolicHotKeyEnabled(std::uint32_t) override { return false; }
    void setSymbolicHotKeyEnabled(std::uint32_t, bool) override {}
    std::optional<platform::WindowAndOwner> findWindowAndOwner(platform::WindowServerConnection,
                                                               platform::Point) override {
        return std::nullopt;
    }
    std::optional<std::int32_t> connectionPid(platform::WindowServerConnection) override { return std::nullopt; }
};

} // namespace corv::desktop
