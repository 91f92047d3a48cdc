#pragma once

#include "platform/Multitouch.h"

namespace corv::desktop {

// No multitouch driver on this desktop: the device list is empty.
class DesktopMultitouch final : public platform::Multitouch {
public:
    std::optional<std::vector<platform::MultitouchDevice>> deviceList() override {
        return std::vector<platform::MultitouchDevice>{};
    }
    void registerContactFrameCallback(platform::MultitouchDevice, platform::ContactFrameCallback) override {}
    void start(platform::MultitouchDevice, std::uint32_t) override {}
    std::uint64_t deviceId(platform::MultitouchDevice) override { return 0; }
    platform::HapticActuator actuator(platform::MultitouchDevice) override { return 0; }
    bool openActuator(platform::HapticActuator) override { return false; }
    int actuate(platform::HapticActuator, std::int32_t, std::uint32_t, float, float) override { return -1; }
};

} // namespace corv::desktop
