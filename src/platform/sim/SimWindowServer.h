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

    platform::WindowServerConnection connection = 0x5c07;
    platform::Point cursor{400, 300};
    std::map<std::uint32_t, HotKey> hotKeys;
    // Every setSymbolicHotKeyEnabled call, in order.
    std::vector<std::pair<std::uint32_t, bool>> enableCalls;
};

} // namespace corv::sim
