#pragma once

// The touchpads as multitouch devices. Each touchpad's reader thread hands
// over its frames; registered callbacks run on that thread, as a driver's do.
// A touchpad that arrives after a start gets the callbacks registered before.
// No touchpad here has a haptic actuator.

#include "platform/Multitouch.h"

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace corv::desktop {

class DesktopMultitouch final : public platform::Multitouch {
public:
    // Main thread, as touchpads come and go. A touchpad that comes back is a
    // new device; numbers are never used twice.
    void added(const std::string& syspath);
    void removed(const std::string& syspath);
    // A touchpad's reader thread, for every frame.
    void frame(const std::string& syspath, int fingerCount);

    std::optional<std::vector<platform::MultitouchDevice>> deviceList() override;
    void registerContactFrameCallback(platform::MultitouchDevice device,
                                      platform::ContactFrameCallback callback) override;
    void start(platform::MultitouchDevice device, std::uint32_t runMode) override;
    std::uint64_t deviceId(platform::MultitouchDevice device) override { return device; }
    platform::HapticActuator actuator(platform::MultitouchDevice) override { return 0; }
    bool openActuator(platform::HapticActuator) override { return false; }
    int actuate(platform::HapticActuator, std::int32_t, std::uint32_t, float, float) override { return -1; }

private:
    platform::MultitouchDevice deviceOf(const std::string& syspath);

    std::mutex mutex_;
    std::map<std::string, platform::MultitouchDevice> numbers_;
    std::set<platform::MultitouchDevice> present_;
    std::set<platform::MultitouchDevice> started_;
    std::map<platform::MultitouchDevice, std::vector<platform::ContactFrameCallback>> callbacks_;
    std::vector<platform::ContactFrameCallback> registered_;  // every callback, once each
    platform::MultitouchDevice next_ = 1;
};

} // namespace corv::desktop
