#pragma once

#include "platform/HidEventSystem.h"

namespace corv::desktop {

// This desktop has no HID event system: no client can be made, so no service
// is ever seen or written.
class DesktopHidEventSystem final : public platform::HidEventSystem {
public:
    platform::HidClient createClient() override { return 0; }
    void setMatching(platform::HidClient, const platform::HidPropertyDict&) override {}
    void registerDeviceMatchingBlock(platform::HidClient, platform::HidServiceBlock) override {}
    void scheduleWithMainQueue(platform::HidClient) override {}
    std::optional<std::vector<platform::HidService>> copyServices(platform::HidClient) override {
        return std::nullopt;
    }
    std::optional<platform::HidProperty> copyProperty(platform::HidService, const std::string&) override {
        return std::nullopt;
    }
    bool setProperty(platform::HidService, const std::string&, const platform::HidProperty&) override { return false; }
    void registerRemovalBlock(platform::HidService, platform::HidServiceBlock) override {}
};

} // namespace corv::desktop
