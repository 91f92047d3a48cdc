#pragma once

#include "platform/HidSystem.h"
#include "platform/sim/SimEventSystem.h"
#include "platform/sim/SimJournal.h"

#include <deque>
#include <set>

namespace corv::sim {

// The HID system's event posting. A posted key or flags-changed event comes
// back into the event stream as device input: same type, the key code of the
// event data in field 9, the posted flags.
class SimHidSystem final : public platform::HidSystem {
public:
    struct Post {
        platform::HidHandle handle;
        std::uint32_t eventType;
        platform::HidPoint location;
        platform::HidEventData data;
        std::uint32_t dataVersion;
        std::uint32_t eventFlags;
        std::uint32_t options;

        std::uint16_t keyCode() const;
    };

    explicit SimHidSystem(SimEventSystem& events) : events_(events) {}

    platform::HidHandle open() override;
    void close(platform::HidHandle handle) override;
    int post(platform::HidHandle handle, std::uint32_t eventType, platform::HidPoint location,
             const platform::HidEventData& data, std::uint32_t dataVersion, std::uint32_t eventFlags,
             std::uint32_t options) override;

    Post takePost();

    bool failOpen = false;
    SimJournal* journal = nullptr;  // set by SimPlatform
    int openCalls = 0;
    std::set<platform::HidHandle> openHandles;
    std::deque<platform::HidHandle> closed;
    // Accepted posts, oldest first.
    std::deque<Post> posts;

private:
    SimEventSystem& events_;
    platform::HidHandle next_ = 0x1a03;
};

} // namespace corv::sim
