#pragma once

// The Apple trackpads as HID event-system services: their scroll
// acceleration, and the multitouch set-up again whenever one appears.

#include "platform/HidEventSystem.h"

#include <cstdint>
#include <vector>

namespace corv::engine {

inline constexpr const char* kScrollAccelerationKey = "HIDTrackpadScrollAcceleration";
// The system's own acceleration, that of the default speed 15.
inline constexpr std::int64_t kDefaultScrollAcceleration = 27648;
// Speeds are clamped to this range before they are cubed.
inline constexpr double kMaxScrollSpeed = 50.0;

struct TrackpadServices {
    // The client, made on first use; 0 when it could not be made.
    platform::HidClient client = 0;
    bool clientMade = false;
    // The trackpads found at start or announced since, in that order. Main thread.
    std::vector<platform::HidService> trackpadServices;

    static TrackpadServices& shared();
};

// rint(s³ × 8.192) of the speed clamped to 0…50; a speed that is not a number
// gives the default acceleration.
std::int64_t scrollAccelerationValue(double speed);

// Product holds "trackpad" and maker holds "apple", in any case; a missing
// string counts as empty.
bool isAppleTrackpadService(platform::HidService service);

// At launch, after the settings are loaded: watches the trackpad services and
// writes their acceleration.
void startTrackpadServiceWatch();
// The device-matching block.
void trackpadServiceAppeared(platform::HidService service);
// At termination: the default acceleration on every trackpad.
void restoreTrackpadScrollAcceleration();

// The settings tab's speed control changed: writes the acceleration of
// `Options.sclAcc` to a copy of the trackpads from the background. Writes are
// applied one at a time and in order; the last one wins.
void setScrollFriction();

} // namespace corv::engine
