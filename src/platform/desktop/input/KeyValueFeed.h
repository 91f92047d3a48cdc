#pragma once

// The keys each taken keyboard node reports, as HID input values (page 7
// usages through the key map) for the HID device above it. Main thread. A
// node let go releases what it held, so no key stays listed as held.

#include "platform/HidDevices.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace corv::desktop {

struct KeyChange {
    std::uint16_t evdev = 0;
    bool down = false;
};

class KeyValueFeed {
public:
    using Deliver = std::function<void(const std::string& hidSyspath, const platform::HidInputValue& value)>;

    // The key changes of one frame of the node (auto-repeats left out).
    void frame(const std::string& syspath, const std::string& hidSyspath, const std::vector<KeyChange>& keys);
    // The node is no longer read: ups for the keys it held.
    void lost(const std::string& syspath);

    Deliver deliver;

private:
    struct Held {
        std::string hidSyspath;
        std::set<std::uint64_t> usages;
    };
    void send(const std::string& hidSyspath, std::uint64_t usage, bool down);

    std::map<std::string, Held> held_;  // by event-node syspath
};

} // namespace corv::desktop
