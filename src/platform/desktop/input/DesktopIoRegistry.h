#pragma once

#include "platform/IoRegistry.h"
#include "platform/desktop/input/InputRegistry.h"

namespace corv::desktop {

// The registry of the input devices: entry ids are the sender ids of their
// events, parents follow udev up to the root.
class DesktopIoRegistry final : public platform::IoRegistry {
public:
    explicit DesktopIoRegistry(const InputRegistry& registry) : registry_(registry) {}

    platform::RegistryEntry serviceWithEntryId(std::uint64_t id) override {
        return registry_.contains(id) ? id : 0;
    }
    std::vector<platform::RegistryEntry> parents(platform::RegistryEntry entry) override {
        return registry_.parents(entry);
    }
    bool isHidDevice(platform::RegistryEntry entry) override { return registry_.isHidDevice(entry); }
    bool isTouchpad(std::uint64_t id) override { return registry_.isTouchpad(id); }
    std::optional<platform::RegistryValue> hidDeviceProperty(platform::RegistryEntry entry,
                                                             const std::string& key) override {
        if (!registry_.isHidDevice(entry)) return std::nullopt;
        return registry_.property(entry, key);
    }

private:
    const InputRegistry& registry_;
};

} // namespace corv::desktop
