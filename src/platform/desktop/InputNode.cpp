#include "platform/desktop/InputNode.h"

#include "platform/desktop/HidrawInfo.h"

#include <libudev.h>

#include <charconv>
#include <cstring>

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

    if (udev_device* input = udev_device_get_parent_with_subsystem_devtype(device, "input", nullptr)) {
        node.inputSyspath = text(udev_device_get_syspath(input));
        node.name = text(udev_device_get_sysattr_value(input, "name"));
        node.phys = text(udev_device_get_sysattr_value(input, "phys"));
        node.bus = hexAttr(input, "id/bustype");
        node.vendor = hexAttr(input, "id/vendor");
        node.product = hexAttr(input, "id/product");
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
