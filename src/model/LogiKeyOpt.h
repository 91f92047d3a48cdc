#pragma once

#include "model/BindAction.h"
#include "model/DeviceName.h"
#include "platform/PropertyList.h"

#include <cstdint>
#include <map>
#include <vector>

namespace corv {

// One host platform of a multi-platform Logitech keyboard.
struct LogiPlatform {
    std::uint8_t index = 0;
    std::uint8_t desc = 0;
    std::uint8_t osMask = 0;

    bool operator==(const LogiPlatform&) const = default;

    void encode(plist::KeyedEncoder& e) const;
    static LogiPlatform decode(const plist::KeyedDecoder& d);
};

// Logitech key bindings: control id → modifier mask → binding.
using LogiKeyBindings = std::map<std::uint16_t, std::map<std::uint64_t, BindAction>>;

// The stored options of one Logitech keyboard.
struct LogiKeyOpt {
    DeviceName name;
    std::vector<LogiPlatform> platformList;
    std::map<std::uint16_t, std::uint8_t> id1b04List;  // control id → recorded byte
    LogiKeyBindings key;
    std::uint64_t rpRateList = 8;
    std::uint64_t rpRate = 8;
    std::uint64_t backLightOptions = 0;
    std::uint64_t backLight = 0;
    bool fnInversion = false;
    std::map<std::int64_t, std::uint8_t> featureMap;  // feature ordinal → index on the device
    bool featureCompleted = false;

    bool operator==(const LogiKeyOpt&) const = default;

    void encode(plist::KeyedEncoder& e) const;
    static LogiKeyOpt decode(const plist::KeyedDecoder& d);
};

} // namespace corv
