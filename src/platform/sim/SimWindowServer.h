#pragma once

#include "platform/WindowServer.h"

#include <map>
#include <utility>
#include <vector>

namespace corv::sim {

class SimWindowServer final : public platform::WindowServer {
public:
    struct HotKey {
        platform::SymbolicHotKeyValue value;
        bool enabled = true;
    };
    // A window on screen; earlier entries lie above later ones.
    struct Window {
        double x = 0, y = 0, width = 0, height = 0;
        std::uint32_t id = 0;
        platform::WindowServerConnection owner = 0;
    };

    platform::WindowServerConnection mainConnection() override { return connection; }
    platform::Point cursorLocation(platform::WindowServerConnection) override { return cursor; }

    std::optional<platform::SymbolicHotKeyValue> symbolicHotKeyValue(std::uint32_t hotKey) override {
        auto it = hotKeys.find(hotKey);
        if (it == hotKeys.end()) return std::nullopt;
        return it->second.value;
    }
    bool isSymbolicHotKeyEnabled(std::uint32_t hotKey) override {
        auto it = hotKeys.find(hotKey);
        return it != hotKeys.end() && it->second.enabled;
    }
    void setSymbolicHotKeyEnabled(std::uint32_t hotKey, bool enabled) override {
        enableCalls.emplace_back(hotKey, enabled);
        auto it = hotKeys.find(hotKey);
        if (it != hotKeys.end()) it->second.enabled = enabled;
    }

    std::optional<platform::WindowAndOwner> findWindowAndOwner(platform::WindowServerConnection,
                                                               platform::Point p) override {
        for (const auto& w : windows)
            if (p.x >= w.x && p.y >= w.y && p.x < w.x + w.width && p.y < w.y + w.height)
                return platform::WindowAndOwner{w.id, w.owner};
        return std::nullopt;
    }
    std::optional<std::int32_t> connectionPid(platform::WindowServerConnection c) override {
        auto it = connectionPids.find(c);
        if (it == connectionPids.end()) return std::nullopt;
        return it->second;
    }

    platform::WindowServerConnection connection = 0x5c07;
    platform::Point cursor{400, 300};
    std::map<std::uint32_t, HotKey> hotKeys;
    // Every setSymbolicHotKeyEnabled call, in order.
    std::vector<std::pair<std::uint32_t, bool>> enableCalls;
    std::vector<Window> windows;
    std::map<platform::WindowServerConnection, std::int32_t> connectionPids;
};

} // namespace corv::sim
