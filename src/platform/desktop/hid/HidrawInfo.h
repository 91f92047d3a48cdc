#pragma once

// One hidraw node as udev describes it.

#include "platform/desktop/hid/HidReportDescriptor.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct udev_device;

namespace corv::desktop {

struct HidId {
    std::uint32_t bus = 0;
    std::uint32_t vendor = 0;
    std::uint32_t product = 0;
};

struct HidrawInfo {
    std::string syspath;  // of the hidraw node
    std::string devnode;  // /dev/hidrawN
    HidId id;
    std::string manufacturer;
    std::string product;
    std::string serial;
    std::vector<std::uint8_t> descriptor;
    HidDescriptorSummary summary;
    // The HID device hangs below another one: a device paired to a receiver,
    // which the receiver's driver gives a node of its own.
    bool belowHidDevice = false;
};

// The HID_ID udev property, "BBBB:VVVVVVVV:PPPPPPPP" in hexadecimal.
std::optional<HidId> parseHidId(std::string_view text);

// The transport name of a HID bus type; nothing for buses without one.
std::optional<std::string> hidTransportName(std::uint32_t bus);

// The report descriptor of a HID device; empty when it cannot be read.
std::vector<std::uint8_t> readHidReportDescriptor(const std::string& hidSyspath);

// Reads the node's HID parent: ids, names and report descriptor. Nothing when
// the node has no HID parent or no usable HID_ID.
std::optional<HidrawInfo> readHidrawInfo(udev_device* hidraw);

} // namespace corv::desktop
