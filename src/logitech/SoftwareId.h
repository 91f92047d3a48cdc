#pragma once

// The rotating software id of HID++ 2.0 requests: 2 to 15. 0 marks an event
// the device sends by itself, and the kernel's HID++ driver uses 1; its
// replies reach the receiver's node too and must not answer our requests.

#include <atomic>
#include <cstdint>

namespace corv::logitech {

inline constexpr std::uint8_t kFirstSoftwareId = 2;

class HidppSoftwareId {
public:
    static HidppSoftwareId& shared();

    // The id after the last one handed out; the first is 2, after 15 comes 2.
    std::uint8_t next();

    std::atomic<std::uint8_t> last{0};
};

inline std::uint8_t nextSoftwareId() { return HidppSoftwareId::shared().next(); }

} // namespace corv::logitech
