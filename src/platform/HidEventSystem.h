#pragma once

// The HID event system: a client sees the HID services that match its
// matching dictionary and reads and writes their properties.

#include "platform/HidProperty.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corv::platform {

using HidClient = std::uint64_t;   // 0: none
using HidService = std::uint64_t;  // 0: none
using HidServiceBlock = std::function<void(HidService service)>;

class HidEventSystem {
public:
    virtual ~HidEventSystem() = default;

    // A new client; 0 when it cannot be made.
    virtual HidClient createClient() = 0;
    virtual void setMatching(HidClient client, const HidPropertyDict& matching) = 0;
    // The block runs on the client's queue for every matching service that
    // appears from then on.
    virtual void registerDeviceMatchingBlock(HidClient client, HidServiceBlock block) = 0;
    // Matching notices are delivered on the main queue from then on.
    virtual void scheduleWithMainQueue(HidClient client) = 0;
    // The matching services present now; nothing when there is no list.
    virtual std::optional<std::vector<HidService>> copyServices(HidClient client) = 0;

    // Nothing when the service has no such property.
    virtual std::optional<HidProperty> copyProperty(HidService service, const std::string& key) = 0;
    // Any thread; false when the service refused the value.
    virtual bool setProperty(HidService service, const std::string& key, const HidProperty& value) = 0;
    // The block runs on the main queue when the service goes away.
    virtual void registerRemovalBlock(HidService service, HidServiceBlock block) = 0;
};

} // namespace corv::platform
