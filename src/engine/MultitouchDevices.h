#pragma once

// Finger counts from the multitouch driver's contact frames, and the haptic
// actuators of the touch devices.

#include "platform/Multitouch.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace corv::engine {

struct MultitouchActuator {
    platform::HapticActuator actuator = 0;
    std::uint64_t deviceId = 0;
};

// The frame counts are written on the driver's thread and read on the main
// thread, so they are atomic; a reader may see a count one frame old.
class MultitouchState {
public:
    static MultitouchState& shared();

    // Devices in the last device list.
    std::atomic<std::int64_t> multitouchDeviceCount{0};
    // Every device's opened actuator, in device-list order. Main thread only.
    std::vector<MultitouchActuator> multitouchActuators;
    // Device of the last contact frame.
    std::atomic<std::uint64_t> lastTouchDeviceId{0};
    // Largest finger count since the count last rose from 0.
    std::atomic<std::uint64_t> touchSequenceMaxFingers{0};
    // Finger count of the last frame that changed GesState.fcnt.
    std::atomic<std::uint64_t> previousFingerCount{0};
};

// (Re)starts every multitouch device and rebuilds the actuator list; false
// when the driver gives no device list (nothing is changed then).
bool startMultitouchDevices();

// The frame callback given to the driver.
void contactFrameCallback(platform::MultitouchDevice device, int fingerCount);
void recordFingerCount(platform::MultitouchDevice device, std::int64_t count);

// The actuator for feedback: the first one with fewer than two devices, else
// the one of the device touched last.
std::optional<MultitouchActuator> feedbackActuator();

} // namespace corv::engine
