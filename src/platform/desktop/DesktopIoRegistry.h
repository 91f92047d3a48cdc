#pragma once

#include "platform/IoRegistry.h"

namespace corv::desktop {

// No I/O registry on this desktop: nothing is ever found.
class DesktopIoRegistry final : public platform::IoRegistry {
public:
    platform::RegistryEntry serviceWithEntryId(std::uint64_t) override { return 0; }
    std::vector<platform::RegistryEntry> parents(platform::RegistryEntry) override { return {}; }
    bool isHidDevice(platform::RegistryEntry) override { return false; }
    std::optional<platform::RegistryValue> hidDeviceProperty(platform::RegistryEntry, const std::string&) override {
        return std::nullopt;
    }
};

} // namespace corv::desktop
