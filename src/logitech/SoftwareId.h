#pragma once

// The rotating software id of HID++ 2.0 requests: 1 to 15, never 0 (0 marks
// an event the device sends by itself).

#include <atomic>
#include <cstdint>

namespace corv::logitech {

class HidppSoftwareId {
public:
    static HidppSoftwareId& shared();

    // The id after the last one handed out; the first is 1, after 15 comes 1.
    std::uint8_t next();

    std::atomic<std::uint8_t> last{0};
};

inline std::uint8_t nextSoftwareId() { return HidppSoftwareId::shared().next(); }

} // namespace corv::logitech
