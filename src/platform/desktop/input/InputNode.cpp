#include "platform/desktop/input/InputNode.h"

#include "platform/desktop/hid/HidrawInfo.h"

#include <libudev.h>
#include <linux/input-event-codes.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <vector>

namespace corv::desktop {

namespace {

std::string text(const char* s) { return s ? std::string(s) : std::string(); }

bool flagSet(udev_device* d, const char* property) {
    const char* v = udev_device_get_property_value(d, property);
    return v && std::strcmp(v, "1") == 0;
}

std::uint32_t hexAttr(udev_device* d, const char* attr) {
    const std::string s = text(udev_device_get_sysattr_value(d, attr));
    std::uint32_t v = 0;
    std::from_chars(s.data(), s.data() + s.size(), v, 16);
    return v;
}

// Whether a sysfs capability mask ("1f 0 ..." with the highest word first)
// has a bit.
bool hasCapability(udev_device* d, const char* attr, unsigned bit) {
    const std::string s = text(udev_device_get_sysattr_value(d, attr));
    std::vector<std::string> words;
    for (std::size_t at = 0; at < s.size();) {
        const std::size_t end = std::min(s.find(' ', at), s.size());
        if (end > at) words.push_back(s.substr(at, end - at));
        at = end + 1;
    }
    const std::size_t word = bit / 64;
    if (word >= words.size()) return false;
    const std::string& w = words[words.size() - 1 - word];
    std::uint64_t v = 0;
    if (std::from_chars(w.data(), w.data() + w.size(), v, 16).ec != std::errc{}) return false;
    return (v >> (bit % 64)) & 1;
}

} // namespace

std::optional<InputNode> readInputNode(udev_device* device) {
    const char* sysname = udev_device_get_sysname(device);
    const char* devnode = udev_device_get_devnode(device);
    if (!sysname || std::strncmp(sysname, "event", 5) != 0 || !devnode) return std::nullopt;
    InputNode node;
    node.keyboard = flagSet(device, "ID_INPUT_KEYBOARD");
    node.mouse = flagSet(device, "ID_INPUT_MOUSE");
    node.touchpad = flagSet(device, "ID_INPUT_TOUCHPAD");
    if (!node.keyboard && !node.mouse && !node.touchpad) return std::nullopt;
    node.syspath = text(udev_device_get_syspath(device));
    node.devnode = devnode;
    for (udev_device* d = device; d; d = udev_device_get_parent(d)) node.ancestors.push_back(text(udev_device_get_syspath(d)));

    udev_device* input = udev_device_get_parent_with_subsystem_devtype(device, "input", nullptr);
    if (input) {
        node.inputSyspath = text(udev_device_get_syspath(input));
        node.name = text(udev_device_get_sysattr_value(input, "name"));
        node.phys = text(udev_device_get_sysattr_value(input, "phys"));
        node.bus = hexAttr(input, "id/bustype");
        node.vendor = hexAttr(input, "id/vendor");
        node.product = hexAttr(input, "id/product");
    }
    // A touchpad without multitouch slots gives no frames: it is a pointer.
    if (node.touchpad && !(input && hasCapability(input, "capabilities/abs", ABS_MT_SLOT))) {
        node.touchpad = false;
        node.mouse = true;
    }
    if (udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr)) {
        node.hidSyspath = text(udev_device_get_syspath(hid));
        node.reportDescriptor = readHidReportDescriptor(node.hidSyspath);
        if (node.productName.empty()) node.productName = text(udev_device_get_property_value(hid, "HID_NAME"));
    }
    if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device")) {
        node.manufacturer = text(udev_device_get_sysattr_value(usb, "manufacturer"));
        if (auto product = text(udev_device_get_sysattr_value(usb, "product")); !product.empty())
            node.productName = product;
    }
    if (node.productName.empty()) node.productName = node.name;
    node.transport = hidTransportName(node.bus).value_or(node.bus == 0x11 ? "PS/2" : "");
    return node;
}

} // namespace corv::desktop
