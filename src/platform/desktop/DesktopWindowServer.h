#pragma once

#include "platform/WindowServer.h"

namespace corv::desktop {

// The cursor comes from Qt; this desktop has no symbolic hot keys.
class DesktopWindowServer final : public platform::WindowServer {
public:
    platform::WindowServerConnection mainConnection() override { return 1; }
    platform::Point cursorLocation(platform::WindowServerConnection) override;
    std::optional<platform::SymbolicHotKeyValue> symbolicHotKeyValue(std::uint32_t) override { return std::nullopt; }
    bool isSymbolicHotKeyEnabled(std::uint32_t) override { return false; }
    void setSymbolicHotKeyEnabled(std::uint32_t, bool) override {}
};

} // namespace corv::desktop
