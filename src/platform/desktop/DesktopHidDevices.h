#pragma once

#include "platform/HidDevices.h"

namespace corv::desktop {

// A HID manager that never reports a device.
class DesktopHidManager final : public platform::HidManager {
public:
    void setDeviceMatching(std::vector<platform::HidMatching>) override {}
    void setMatchedHandler(DeviceHandler) override {}
    void setRemovedHandler(DeviceHandler) override {}
    void open() override {}
    void close() override {}
};

// No HID devices are reachable on this desktop.
class DesktopHidDevices final : public platform::HidDevices {
public:
    std::unique_ptr<platform::HidManager> createManager() override { return std::make_unique<DesktopHidManager>(); }
};

} // namespace corv::desktop
