#include "platform/sim/SimIoRegistry.h"

#include <utility>

namespace corv::sim {

platform::RegistryEntry SimIoRegistry::serviceWithEntryId(std::uint64_t entryId) {
    ++lookups;
    return entries.count(entryId) ? entryId : 0;
}

std::vector<platform::RegistryEntry> SimIoRegistry::parents(platform::RegistryEntry entry) {
    auto it = entries.find(entry);
    if (it == entries.end()) return {};
    std::vector<platform::RegistryEntry> out;
    for (auto p : it->second.parents)
        if (entries.count(p)) out.push_back(p);
    return out;
}

bool SimIoRegistry::isHidDevice(platform::RegistryEntry entry) {
    auto it = entries.find(entry);
    return it != entries.end() && it->second.hidDevice;
}

std::optional<platform::RegistryValue> SimIoRegistry::hidDeviceProperty(platform::RegistryEntry entry,
                                                                        const std::string& key) {
    auto it = entries.find(entry);
    if (it == entries.end() || !it->second.hidDevice) return std::nullopt;
    auto p = it->second.properties.find(key);
    if (p == it->second.properties.end()) return std::nullopt;
    return p->second;
}

void SimIoRegistry::addHidDevice(std::uint64_t id, const std::string& product, const std::string& vendor,
                                 std::vector<std::uint64_t> parents) {
    Entry e;
    e.parents = std::move(parents);
    e.hidDevice = true;
    e.properties["Product"] = product;
    e.properties["Manufacturer"] = vendor;
    entries[id] = std::move(e);
}

void SimIoRegistry::addService(std::uint64_t id, std::vector<std::uint64_t> parents) {
    Entry e;
    e.parents = std::move(parents);
    entries[id] = std::move(e);
}

} // namespace corv::sim
