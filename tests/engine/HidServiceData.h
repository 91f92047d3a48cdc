#pragma once

// HID event-system services as data: trackpads and keyboards with the
// properties the system gives them.

#include "platform/HidProperty.h"

#include <cstdint>
#include <string>

namespace corv::test {

using platform::HidPropertyArray;
using platform::HidPropertyDict;
using platform::HidProperty;

inline HidProperty usagePair(std::int64_t page, std::int64_t usage) {
    return HidPropertyDict{{"DeviceUsagePage", page}, {"DeviceUsage", usage}};
}

// A pointer service (usage page 1, usage 2).
inline HidPropertyDict trackpadService(const std::string& product, const std::string& maker, bool withAcceleration) {
    HidPropertyDict d{{"Product", product},
              {"Manufacturer", maker},
              {"PrimaryUsagePage", 1},
              {"PrimaryUsage", 2},
              {"DeviceUsagePairs", HidPropertyArray{usagePair(1, 2)}}};
    if (withAcceleration) d["HIDTrackpadScrollAcceleration"] = 45000;
    return d;
}

inline const HidPropertyDict kMagicTrackpadService = trackpadService("Magic Trackpad", "Apple Inc.", true);
inline const HidPropertyDict kBuiltInTrackpadService = trackpadService("Apple Internal Keyboard / Trackpad", "Apple Inc.", false);

// A keyboard service: primary usage (1, 6), usage pairs, transport and
// report descriptor; vendor and product ids when given.
struct KeyboardService {
    std::string product = "Magic Keyboard";
    std::string maker = "Apple Inc.";
    std::string transport = "USB";
    Bytes reportDescriptor{0x05, 0x01, 0x09, 0x06};
    std::int64_t primaryPage = 1;
    std::int64_t primaryUsage = 6;
    HidPropertyArray usagePairs{usagePair(1, 6)};
    std::int64_t vendorId = 0x05AC;
    std::int64_t productId = 0x0267;

    HidPropertyDict properties() const {
        return HidPropertyDict{{"Product", product},
                       {"Manufacturer", maker},
                       {"Transport", transport},
                       {"ReportDescriptor", reportDescriptor},
                       {"PrimaryUsagePage", primaryPage},
                       {"PrimaryUsage", primaryUsage},
                       {"DeviceUsagePairs", usagePairs},
                       {"VendorID", vendorId},
                       {"ProductID", productId}};
    }
    std::int64_t descriptorSum() const {
        std::int64_t sum = 0;
        for (auto b : reportDescriptor) sum += b;
        return sum;
    }
};

} // namespace corv::test
