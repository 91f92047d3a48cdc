#pragma once

// Feature discovery of a keyboard: the indexes of the features the program
// uses, its platforms and reprogrammable controls, its battery, its host
// platform, Fn inversion, diverted controls and backlight. One request at a
// time through the request queue; the main thread never waits.

#include <functional>

namespace corv::logitech {

// Results: 0 when every request was answered, else the first failure.
enum DiscoveryResult : int {
    kDiscoveryOk = 0,
    kDiscoveryNoKeyboard = -1,       // no device, or no stored options
    kDiscoveryUnreachable = 20,      // a transport neither Bluetooth nor USB
    kDiscoveryFirstRoots = 1,        // root request for 0x1000, 0x1001, 0x1004 or 0x4531
    kDiscoveryRead = 2,              // platform information, battery, Fn inversion or backlight read
    kDiscoveryDescriptor = 3,        // a platform descriptor
    kDiscoveryLaterRoots = 4,        // root request for 0x40A2, 0x40A3 or 0x1982, or the host switch
    kDiscoveryControls = 5,          // root request for 0x1B04, or a divert request
    kDiscoveryControlCount = 6,
    kDiscoveryControlInfo = 7,
};

// Discovers keyboard i's features and applies its settings; done gets the
// result on the main thread.
void discoverHidppFeatures(int keyboard, std::function<void(int)> done);

} // namespace corv::logitech
