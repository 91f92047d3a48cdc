#pragma once

// One evdev event node of a keyboard or pointer, as udev describes it, and
// the udev parent chain it hangs from (input → hid → usb or bluetooth).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct udev_device;

namespace corv::desktop {

struct InputNode {
    std::string syspath;       // of the event node
    std::string devnode;       // /dev/input/eventN
    std::string inputSyspath;  // of its input device
    std::string hidSyspath;    // of its HID parent; empty without one
    bool keyboard = false;
    bool mouse = false;
    bool touchpad = false;  // a touchpad with multitouch slots
    std::string name;          // the input device's name
    std::string phys;
    std::uint32_t bus = 0;
    std::uint32_t vendor = 0;
    std::uint32_t product = 0;
    std::string productName;   // the USB product, else the HID or input name
    std::string manufacturer;  // the USB manufacturer; may be empty
    std::string transport;     // "USB", "Bluetooth", …; may be empty
    // The HID parent's report descriptor; empty without a HID parent.
    std::vector<std::uint8_t> reportDescriptor;
    // Syspaths from the event node up to the root.
    std::vector<std::string> ancestors;
};

// Phys of the devices this program makes itself.
inline constexpr const char* kOwnPhysPrefix = "corvadine/";

// Nothing unless the device is an event node of a keyboard, mouse or touchpad.
std::optional<InputNode> readInputNode(udev_device* device);

} // namespace corv::desktop
