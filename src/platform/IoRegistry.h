#pragma once

// The I/O registry: service entries with properties, linked to their parents.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace corv::platform {

using RegistryEntry = std::uint64_t;  // 0: none
using RegistryValue = std::variant<std::int64_t, std::string>;

class IoRegistry {
public:
    virtual ~IoRegistry() = default;
    // The service whose registry entry id is the given one; 0 when there is none.
    virtual RegistryEntry serviceWithEntryId(std::uint64_t entryId) = 0;
    // The entry's parents in the service plane.
    virtual std::vector<RegistryEntry> parents(RegistryEntry entry) = 0;
    // Whether a HID device can be made from the entry.
    virtual bool isHidDevice(RegistryEntry entry) = 0;
    // A property of the entry's HID device; nothing when it has none of that name.
    virtual std::optional<RegistryValue> hidDeviceProperty(RegistryEntry entry, const std::string& key) = 0;
    // Whether the entry is a multitouch touchpad that counts as a trackpad
    // whatever its name; a machine that says nothing leaves it to the name.
    virtual bool isTouchpad(std::uint64_t entryId) {
        (void)entryId;
        return false;
    }
};

} // namespace corv::platform
