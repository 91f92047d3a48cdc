#pragma once

// The HID system's legacy event interface: posting system events as if a
// device had sent them.

#include <array>
#include <cstddef>
#include <cstdint>

namespace corv::platform {

using HidHandle = std::uint32_t;  // 0: not open

// The legacy event data record (NXEventData): 48 bytes.
using HidEventData = std::array<std::uint8_t, 48>;

// Byte offset of the key code (UInt16) in the key record of the event data.
inline constexpr std::size_t kHidEventDataKeyCodeOffset = 8;
// Post option: the event's flags become the global modifier state.
inline constexpr std::uint32_t kHidSetGlobalEventFlags = 1;

struct HidPoint {
    std::int16_t x = 0;
    std::int16_t y = 0;
};

class HidSystem {
public:
    virtual ~HidSystem() = default;
    // Opens the event-status connection; 0 when it cannot be opened.
    virtual HidHandle open() = 0;
    virtual void close(HidHandle handle) = 0;
    // Posts a legacy event of the type; 0 on success, an error code otherwise.
    virtual int post(HidHandle handle, std::uint32_t eventType, HidPoint location, const HidEventData& data,
                     std::uint32_t dataVersion, std::uint32_t eventFlags, std::uint32_t options) = 0;
};

} // namespace corv::platform
