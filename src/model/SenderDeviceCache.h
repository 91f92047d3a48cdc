#pragma once

// The names of the devices that sent input events, by registry entry id.
// Filled and read by the sender-device lookup, on the main thread.

#include "model/DeviceName.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>

namespace corv {

class SenderDeviceCache {
public:
    static SenderDeviceCache& shared();

    std::optional<DeviceName> find(std::int64_t registryId) const;
    void store(std::int64_t registryId, DeviceName name);
    std::size_t size() const { return names_.size(); }
    void clear() { names_.clear(); }

private:
    std::unordered_map<std::int64_t, DeviceName> names_;
};

} // namespace corv
