#pragma once

// The window server's private interface, as far as the engine uses it.

#include "platform/Point.h"

#include <cstdint>
#include <optional>

namespace corv::platform {

using WindowServerConnection = std::int32_t;

// The key combination a system symbolic hot key stands for.
struct SymbolicHotKeyValue {
    std::uint16_t keyEquivalent = 0;
    std::uint16_t virtualKeyCode = 0;
    std::uint32_t modifiers = 0;
};

// The window under a point and the connection of the process that owns it.
struct WindowAndOwner {
    std::uint32_t windowId = 0;
    WindowServerConnection owner = 0;
};

class WindowServer {
public:
    virtual ~WindowServer() = default;
    virtual WindowServerConnection mainConnection() = 0;
    // The cursor in global coordinates, origin top left.
    virtual Point cursorLocation(WindowServerConnection connection) = 0;

    // Nothing when the hot key's value cannot be read.
    virtual std::optional<SymbolicHotKeyValue> symbolicHotKeyValue(std::uint32_t hotKey) = 0;
    virtual bool isSymbolicHotKeyEnabled(std::uint32_t hotKey) = 0;
    virtual void setSymbolicHotKeyEnabled(std::uint32_t hotKey, bool enabled) = 0;

    // The topmost window at the point; nothing when none is found.
    virtual std::optional<WindowAndOwner> findWindowAndOwner(WindowServerConnection connection, Point point) = 0;
    // The process id behind a connection; nothing when it is unknown.
    virtual std::optional<std::int32_t> connectionPid(WindowServerConnection connection) = 0;
};

} // namespace corv::platform
