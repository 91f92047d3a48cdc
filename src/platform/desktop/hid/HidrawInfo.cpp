#include "platform/desktop/hid/HidrawInfo.h"

#include <libudev.h>

#include <charconv>
#include <fcntl.h>
#include <unistd.h>

namespace corv::desktop {

namespace {

std::optional<std::uint32_t> hexField(std::string_view text) {
    if (text.empty() || text.size() > 8) return std::nullopt;
    std::uint32_t v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, 16);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return v;
}

std::string text(const char* s) { return s ? std::string(s) : std::string(); }

} // namespace

// Kernel report descriptors are at most 4096 bytes (HID_MAX_DESCRIPTOR_SIZE).
std::vector<std::uint8_t> readHidReportDescriptor(const std::string& hidSyspath) {
    std::vector<std::uint8_t> out;
    const int fd = ::open((hidSyspath + "/report_descriptor").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return out;
    std::uint8_t buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0 || out.size() + static_cast<std::size_t>(n) > sizeof buf) break;
        out.insert(out.end(), buf, buf + n);
    }
    ::close(fd);
    return out;
}

std::optional<HidId> parseHidId(std::string_view s) {
    const auto c1 = s.find(':');
    if (c1 == std::string_view::npos) return std::nullopt;
    const auto c2 = s.find(':', c1 + 1);
    if (c2 == std::string_view::npos) return std::nullopt;
    auto bus = hexField(s.substr(0, c1));
    auto vendor = hexField(s.substr(c1 + 1, c2 - c1 - 1));
    auto product = hexField(s.substr(c2 + 1));
    if (!bus || !vendor || !product || *vendor > 0xFFFF || *product > 0xFFFF) return std::nullopt;
    return HidId{*bus, *vendor, *product};
}

std::optional<std::string> hidTransportName(std::uint32_t bus) {
    switch (bus) {
    case 0x03: return "USB";
    case 0x05: return "Bluetooth";
    case 0x06: return "Virtual";
    case 0x18: return "I2C";
    case 0x1C: return "SPI";
    default: return std::nullopt;
    }
}

std::optional<HidrawInfo> readHidrawInfo(udev_device* hidraw) {
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    if (!hid) return std::nullopt;
    auto id = parseHidId(text(udev_device_get_property_value(hid, "HID_ID")));
    if (!id) return std::nullopt;
    HidrawInfo info;
    info.syspath = text(udev_device_get_syspath(hidraw));
    info.devnode = text(udev_device_get_devnode(hidraw));
    info.id = *id;
    info.serial = text(udev_device_get_property_value(hid, "HID_UNIQ"));
    info.belowHidDevice = udev_device_get_parent_with_subsystem_devtype(hid, "hid", nullptr) != nullptr;
    // A USB device names its maker and product itself; elsewhere the HID name
    // is all there is.
    if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device")) {
        info.manufacturer = text(udev_device_get_sysattr_value(usb, "manufacturer"));
        info.product = text(udev_device_get_sysattr_value(usb, "product"));
    }
    if (info.product.empty()) info.product = text(udev_device_get_property_value(hid, "HID_NAME"));
    info.descriptor = readHidReportDescriptor(text(udev_device_get_syspath(hid)));
    info.summary = summarizeHidDescriptor(info.descriptor);
    return info;
}

} // namespace corv::desktop
