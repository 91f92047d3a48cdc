// The faked evdev devices and /dev/uinput the desktop input tests stand on,
// driven with libevdev and libudev the way the program drives them.

#include "support/UmockdevInput.h"

#include <gtest/gtest.h>

#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <libudev.h>
#include <poll.h>

namespace corv::test {
namespace {

// Reads events until `count` arrived or nothing comes for a second.
std::vector<InputEvent> readEvents(libevdev* dev, std::size_t count) {
    std::vector<InputEvent> out;
    while (out.size() < count) {
        input_event e;
        const int rc = libevdev_next_event(dev, LIBEVDEV_READ_FLAG_NORMAL, &e);
        if (rc == -EAGAIN) {
            pollfd p{libevdev_get_fd(dev), POLLIN, 0};
            if (::poll(&p, 1, 1000) <= 0) break;
            continue;
        }
        if (rc == LIBEVDEV_READ_STATUS_SYNC) {
            while (libevdev_next_event(dev, LIBEVDEV_READ_FLAG_SYNC, &e) == LIBEVDEV_READ_STATUS_SYNC)
                out.push_back({e.type, e.code, e.value});
            continue;
        }
        if (rc < 0) break;
        out.push_back({e.type, e.code, e.value});
    }
    return out;
}

TEST(UmockdevInputTest, FakedKeyboardReadsGrabsResyncsAndHangsUp) {
    if (!runningUnderUmockdev()) return;
    Testbed bed;
    InputTestbed input(bed);
    const auto node = input.addDevice(fakeKeyboard("Fake Keyboard", 0xC31C));

    udev* u = udev_new();
    udev_enumerate* e = udev_enumerate_new(u);
    udev_enumerate_add_match_subsystem(e, "input");
    udev_enumerate_add_match_property(e, "ID_INPUT_KEYBOARD", "1");
    udev_enumerate_scan_devices(e);
    std::vector<std::string> found;
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
        udev_device* d = udev_device_new_from_syspath(u, udev_list_entry_get_name(entry));
        if (const char* devnode = udev_device_get_devnode(d)) {
            found.push_back(devnode);
            udev_device* usb = udev_device_get_parent_with_subsystem_devtype(d, "usb", "usb_device");
            ASSERT_NE(usb, nullptr);
            EXPECT_STREQ(udev_device_get_sysattr_value(usb, "idProduct"), "c31c");
            EXPECT_STREQ(udev_device_get_sysattr_value(usb, "manufacturer"), "Logitech");
            udev_device* hid = udev_device_get_parent_with_subsystem_devtype(d, "hid", nullptr);
            ASSERT_NE(hid, nullptr);
            EXPECT_STREQ(udev_device_get_property_value(hid, "HID_NAME"), "Fake Keyboard");
            udev_device* parent = udev_device_get_parent(d);
            EXPECT_STREQ(udev_device_get_sysattr_value(parent, "id/product"), "c31c");
            EXPECT_STREQ(udev_device_get_sysattr_value(parent, "capabilities/ev"), "120013");
        }
        udev_device_unref(d);
    }
    udev_enumerate_unref(e);
    udev_unref(u);
    EXPECT_EQ(found, std::vector<std::string>{node});

    const int fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    libevdev* dev = nullptr;
    ASSERT_EQ(libevdev_new_from_fd(fd, &dev), 0);
    EXPECT_STREQ(libevdev_get_name(dev), "Fake Keyboard");
    EXPECT_EQ(libevdev_get_id_product(dev), 0xC31C);
    EXPECT_TRUE(libevdev_has_event_code(dev, EV_KEY, KEY_CAPSLOCK));
    EXPECT_FALSE(libevdev_has_event_type(dev, EV_REL));

    ASSERT_EQ(libevdev_grab(dev, LIBEVDEV_GRAB), 0);
    EXPECT_TRUE(input.grabbed(node));

    // Bytes a terminal would take for itself (^C, ^S, ^Q, DEL) pass unchanged.
    input.press(node, KEY_LEFTMETA);
    input.send(node, {keyEvent(3, 1), keyEvent(0x13, 1), keyEvent(0x11, 1), keyEvent(0x7F, 1)});
    EXPECT_EQ(significant(readEvents(dev, 8)),
              (std::vector<InputEvent>{keyEvent(KEY_LEFTMETA, 1), keyEvent(3, 1), keyEvent(0x13, 1),
                                       keyEvent(0x11, 1), keyEvent(0x7F, 1)}));

    // After a dropped report, the resync comes from the held keys.
    input.dropReport(node, {keyEvent(3, 0)});
    EXPECT_EQ(significant(readEvents(dev, 2)), std::vector<InputEvent>{keyEvent(3, 0)});

    // Another program's grab.
    const auto other = input.addDevice(fakeKeyboard("Other Keyboard", 0xC31D), false, true);
    const int otherFd = ::open(other.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(otherFd, 0);
    EXPECT_EQ(::ioctl(otherFd, EVIOCGRAB, 1), -1);
    EXPECT_EQ(errno, EBUSY);
    ::close(otherFd);
    EXPECT_EQ(input.everGrabbed(), std::vector<std::string>{node});

    ASSERT_EQ(libevdev_grab(dev, LIBEVDEV_UNGRAB), 0);
    EXPECT_FALSE(input.grabbed(node));

    // Unplugged: as with a real device, poll() reports a hang-up (read()
    // gives 0 here, where the kernel would say ENODEV).
    input.unplug(node);
    pollfd p{fd, POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 2000), 1);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
    libevdev_free(dev);
    ::close(fd);
}

TEST(UmockdevInputTest, UinputDevicesAreRecordedAndAnnounced) {
    if (!runningUnderUmockdev()) return;
    Testbed bed;
    InputTestbed input(bed);
    const auto node = input.addDevice(fakeMouse());
    const int fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    libevdev* dev = nullptr;
    ASSERT_EQ(libevdev_new_from_fd(fd, &dev), 0);

    libevdev_uinput* clone = nullptr;
    ASSERT_EQ(libevdev_uinput_create_from_device(dev, LIBEVDEV_UINPUT_OPEN_MANAGED, &clone), 0);
    EXPECT_STREQ(libevdev_uinput_get_syspath(clone), "/sys/devices/virtual/input/input200");
    libevdev_uinput_write_event(clone, EV_REL, REL_X, 5);
    libevdev_uinput_write_event(clone, EV_KEY, BTN_SIDE, 1);
    libevdev_uinput_write_event(clone, EV_SYN, SYN_REPORT, 0);

    auto made = input.uinputDevice("Fake Mouse");
    ASSERT_TRUE(made);
    EXPECT_EQ(made->id.product, 0xC077);
    EXPECT_TRUE(made->has(EV_SYN, EV_REL));
    EXPECT_TRUE(made->has(EV_REL, REL_WHEEL_HI_RES));
    EXPECT_TRUE(made->has(EV_KEY, BTN_EXTRA));
    EXPECT_EQ(made->events, (std::vector<InputEvent>{relEvent(REL_X, 5), keyEvent(BTN_SIDE, 1), synReport()}));

    // The clone shows up in udev as a mouse whose parent is its syspath.
    udev* u = udev_new();
    udev_device* event = udev_device_new_from_syspath(u, "/sys/devices/virtual/input/input200/event200");
    ASSERT_NE(event, nullptr);
    EXPECT_STREQ(udev_device_get_devnode(event), "/dev/input/event200");
    EXPECT_STREQ(udev_device_get_property_value(event, "ID_INPUT_MOUSE"), "1");
    EXPECT_STREQ(udev_device_get_syspath(udev_device_get_parent(event)), libevdev_uinput_get_syspath(clone));
    udev_device_unref(event);

    libevdev_uinput_destroy(clone);
    EXPECT_TRUE(input.uinputDevice("Fake Mouse")->destroyed);
    EXPECT_EQ(udev_device_new_from_syspath(u, "/sys/devices/virtual/input/input200/event200"), nullptr);
    udev_unref(u);
    libevdev_free(dev);
    ::close(fd);
}

TEST(UmockdevInputTest, BitmapsAreCutAtTheirSizeAsTheKernelCutsThem) {
    if (!runningUnderUmockdev()) return;
    Testbed bed;
    InputTestbed input(bed);
    auto desc = fakeKeyboard();
    desc.codes[EV_FF] = {FF_RUMBLE};
    desc.effects = 16;
    const auto node = input.addDevice(desc);
    input.hold(node, KEY_LEFTCTRL);
    const int fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);

    constexpr int kLong = sizeof(long);
    const struct {
        unsigned long request;
        int length;  // the answer's, -1 for a refusal
        std::uint16_t bit;
    } cases[] = {
        {EVIOCGBIT(0, 256), kLong, EV_KEY},
        {EVIOCGBIT(EV_KEY, 256), (KEY_MAX + 8 * kLong - 1) / (8 * kLong) * kLong, KEY_MICMUTE},
        {EVIOCGBIT(EV_KEY, 4), 4, KEY_ESC},
        {EVIOCGBIT(EV_LED, 256), kLong, LED_CAPSL},
        {EVIOCGBIT(EV_FF, 256), (FF_MAX + 8 * kLong - 1) / (8 * kLong) * kLong, FF_RUMBLE},
        {EVIOCGBIT(EV_REP, 256), -1, 0},
        {EVIOCGKEY(256), (KEY_MAX + 8 * kLong - 1) / (8 * kLong) * kLong, KEY_LEFTCTRL},
        {EVIOCGLED(256), kLong, 0},
    };
    for (const auto& c : cases) {
        std::uint8_t buffer[256];
        std::memset(buffer, 0xAA, sizeof buffer);
        const int rc = ::ioctl(fd, c.request, buffer);
        EXPECT_EQ(rc, c.length) << std::hex << c.request;
        if (rc <= 0) continue;
        if (c.bit) {
            EXPECT_TRUE(buffer[c.bit / 8] & (1u << (c.bit % 8))) << std::hex << c.request;
        }
        EXPECT_EQ(std::count(buffer + rc, buffer + sizeof buffer, 0xAA), static_cast<long>(sizeof buffer) - rc)
            << "written past the bitmap: " << std::hex << c.request;
    }
    int effects = 0;
    EXPECT_EQ(::ioctl(fd, EVIOCGEFFECTS, &effects), 0);
    EXPECT_EQ(effects, 16);
    ::close(fd);
}

TEST(UmockdevInputTest, DeniedNodesRefuseWithoutTheCapabilities) {
    if (!runningUnderUmockdev()) return;
    ASSERT_TRUE(dropFileAccessCapabilities());
    Testbed bed;
    InputTestbed input(bed);
    const auto keyboard = input.addDevice(fakeKeyboard());
    const auto mouse = input.addDevice(fakeMouse());
    input.denyAccess(keyboard);
    input.denyAccess("/dev/uinput");
    for (const auto& [path, mode, readable] : std::vector<std::tuple<std::string, int, bool>>{
             {keyboard, O_RDONLY, false}, {mouse, O_RDONLY, true}, {"/dev/uinput", O_WRONLY, false}}) {
        const int fd = ::open(path.c_str(), mode | O_NONBLOCK | O_CLOEXEC);
        EXPECT_EQ(fd >= 0, readable) << path;
        EXPECT_EQ(::access(path.c_str(), mode == O_RDONLY ? R_OK : W_OK) == 0, readable) << path;
        if (fd >= 0) ::close(fd);
    }
}

} // namespace
} // namespace corv::test
