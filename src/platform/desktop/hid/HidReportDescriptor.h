#pragma once

// What a HID report descriptor says about a device as a whole.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corv::desktop {

struct HidCollectionUsage {
    std::uint32_t page = 0;
    std::uint32_t usage = 0;
    bool operator==(const HidCollectionUsage&) const = default;
};

struct HidDescriptorSummary {
    // The usage of every top-level collection, in order; the first is the
    // device's primary usage.
    std::vector<HidCollectionUsage> topLevel;
    // The reports carry a report ID in their first byte.
    bool usesReportIds = false;
};

// Reads the descriptor's items. A truncated item ends the reading; what came
// before it still counts.
HidDescriptorSummary summarizeHidDescriptor(const std::uint8_t* data, std::size_t length);

inline HidDescriptorSummary summarizeHidDescriptor(const std::vector<std::uint8_t>& bytes) {
    return summarizeHidDescriptor(bytes.data(), bytes.size());
}

} // namespace corv::desktop
