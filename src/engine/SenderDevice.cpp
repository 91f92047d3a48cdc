#include "engine/SenderDevice.h"

#include "engine/EventFields.h"
#include "model/SenderDeviceCache.h"
#include "platform/Platform.h"

#include <algorithm>
#include <set>
#include <string>

namespace corv::engine {

namespace {

std::string stringProperty(platform::IoRegistry& registry, platform::RegistryEntry entry, const char* key) {
    auto value = registry.hidDeviceProperty(entry, key);
    if (!value) return {};
    if (const auto* s = std::get_if<std::string>(&*value)) return *s;
    return {};
}

DeviceName nameOf(platform::IoRegistry& registry, platform::RegistryEntry entry) {
    return DeviceName{stringProperty(registry, entry, "Product"), stringProperty(registry, entry, "Manufacturer")};
}

// The first HID device found walking up from the service, level by level.
std::optional<DeviceName> findAncestorDevice(platform::IoRegistry& registry, platform::RegistryEntry service) {
    std::set<platform::RegistryEntry> level{service};
    std::set<platform::RegistryEntry> seen{service};
    while (!level.empty()) {
        std::set<platform::RegistryEntry> next;
        for (auto entry : level) {
            for (auto parent : registry.parents(entry)) {
                // An entry met before was tried then; this keeps a looped registry finite.
                if (!seen.insert(parent).second) continue;
                next.insert(parent);
                if (registry.isHidDevice(parent)) return nameOf(registry, parent);
            }
        }
        level = std::move(next);
    }
    return std::nullopt;
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

DeviceName senderDeviceName(const platform::Event& event) {
    const std::int64_t id = event.integerField(EventField::SenderRegistryId);
    auto& cache = SenderDeviceCache::shared();
    if (auto cached = cache.find(id)) return *cached;

    DeviceName name;
    if (id != 0) {
        auto& registry = platform::ioRegistry();
        const platform::RegistryEntry service = registry.serviceWithEntryId(static_cast<std::uint64_t>(id));
        if (service != 0) {
            if (registry.isHidDevice(service))
                name = nameOf(registry, service);
            else if (auto found = findAncestorDevice(registry, service))
                name = *found;
        }
    }
    cache.store(id, name);
    return name;
}

bool isAppleTrackpad(const DeviceName& name) {
    return containsIgnoringCase(name.product, "trackpad") && containsIgnoringCase(name.vendor, "apple");
}

bool isTrackpadSender(const platform::Event& event) {
    if (isAppleTrackpad(senderDeviceName(event))) return true;
    const std::int64_t id = event.integerField(EventField::SenderRegistryId);
    return id > 0 && platform::ioRegistry().isTouchpad(static_cast<std::uint64_t>(id));
}

bool containsIgnoringCase(std::string_view text, std::string_view part) {
    auto it = std::search(text.begin(), text.end(), part.begin(), part.end(),
                          [](char a, char b) { return lower(a) == lower(b); });
    return it != text.end() || part.empty();
}

} // namespace corv::engine
