#pragma once

#include "platform/Multitouch.h"
#include "platform/sim/SimJournal.h"

#include <map>
#include <mutex>
#include <set>
#include <vector>

namespace corv::sim {

// Touch devices as data. Frames reach the callbacks of a started device on
// whatever thread feeds them; playFrames feeds from a thread of its own.
class SimMultitouch final : public platform::Multitouch {
public:
    struct Actuation {
        platform::HapticActuator actuator;
        std::int32_t actuationId;
        std::uint32_t flags;
        float intensity;
        float arg4;
    };

    std::optional<std::vector<platform::MultitouchDevice>> deviceList() override;
    void registerContactFrameCallback(platform::MultitouchDevice device,
                                      platform::ContactFrameCallback callback) override;
    void start(platform::MultitouchDevice device, std::uint32_t runMode) override;
    std::uint64_t deviceId(platform::MultitouchDevice device) override;
    platform::HapticActuator actuator(platform::MultitouchDevice device) override;
    bool openActuator(platform::HapticActuator actuator) override;
    int actuate(platform::HapticActuator actuator, std::int32_t actuationId, std::uint32_t flags, float intensity,
                float arg4) override;

    // A device with the driver's device id, with or without a haptic actuator.
    platform::MultitouchDevice addDevice(std::uint64_t id, bool withActuator = true);
    void removeDevice(platform::MultitouchDevice device);

    // One contact frame, on the calling thread.
    void frame(platform::MultitouchDevice device, int fingerCount);
    // The frames in order, fed from a new thread; returns once it has ended.
    void playFrames(platform::MultitouchDevice device, const std::vector<int>& fingerCounts);

    bool started(platform::MultitouchDevice device) const;
    std::size_t callbackCount(platform::MultitouchDevice device) const;
    bool actuatorOpen(platform::HapticActuator actuator) const;
    std::vector<Actuation> actuations() const;

    bool failList = false;
    SimJournal* journal = nullptr;  // set by SimPlatform

private:
    struct Device {
        std::uint64_t id = 0;
        platform::HapticActuator actuator = 0;
        bool started = false;
        std::vector<platform::ContactFrameCallback> callbacks;
    };

    mutable std::mutex mutex_;
    std::map<platform::MultitouchDevice, Device> devices_;
    std::vector<platform::MultitouchDevice> order_;
    std::set<platform::HapticActuator> open_;
    std::vector<Actuation> actuations_;
    platform::MultitouchDevice nextDevice_ = 0x100;
    platform::HapticActuator nextActuator_ = 0x900;
};

} // namespace corv::sim
