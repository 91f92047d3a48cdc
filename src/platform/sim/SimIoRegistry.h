#pragma once

#include "platform/IoRegistry.h"

#include <map>
#include <string>
#include <vector>

namespace corv::sim {

// Registry entries as data. Each entry's id is also its handle.
class SimIoRegistry final : public platform::IoRegistry {
public:
    struct Entry {
        std::vector<std::uint64_t> parents;
        bool hidDevice = false;
        std::map<std::string, platform::RegistryValue> properties;
    };

    platform::RegistryEntry serviceWithEntryId(std::uint64_t entryId) override;
    std::vector<platform::RegistryEntry> parents(platform::RegistryEntry entry) override;
    bool isHidDevice(platform::RegistryEntry entry) override;
    std::optional<platform::RegistryValue> hidDeviceProperty(platform::RegistryEntry entry,
                                                             const std::string& key) override;

    // A HID device with its "Product" and "Manufacturer".
    void addHidDevice(std::uint64_t id, const std::string& product, const std::string& vendor,
                      std::vector<std::uint64_t> parents = {});
    // An entry that is not a HID device itself.
    void addService(std::uint64_t id, std::vector<std::uint64_t> parents);

    std::map<std::uint64_t, Entry> entries;
    // Calls of serviceWithEntryId.
    int lookups = 0;
};

} // namespace corv::sim
