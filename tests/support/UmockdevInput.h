#pragma once

// Faked evdev keyboards and mice and a faked /dev/uinput, under umockdev.
//
// An evdev device is a sysfs chain (usb or Bluetooth parent, hid, input,
// event node) with the udev properties udev's input_id would give it, and a
// /dev/input/eventN node backed by a PTY: the test writes input_event frames
// into its other end, one write() per frame. Its EVIOCG* ioctls, EVIOCGRAB
// included, are answered by a handler here from the device's description, so
// no ioctl record file is needed (those crash on EVIOCGRAB lines and need
// exactly 255-byte strings).
//
// /dev/uinput is served by the same handler: every open() is one uinput
// device whose set-up, creation, destruction and written events are kept. A
// created device appears in sysfs under /sys/devices/virtual/input, as the
// kernel's would, so the program meets its own clones when it looks.
//
// Writes to an event node are kept too. LEDs written to a created device's
// node are read back from its uinput descriptor, and those written to a
// faked device's node come back to its reader, as the kernel does both when
// they change the device's state. Every uinput descriptor is the same PTY
// (poll() is not wrapped), so all of them wake while one has something to
// read; the others read nothing (EAGAIN). One device's events are in the
// PTY at a time, and the read that takes them is the real one.
//
// Known limits of umockdev 0.17: a close() is not seen here, so a grab or a
// uinput device ends only by EVIOCGRAB 0 or UI_DEV_DESTROY; fstat() of an opened node reports the PTY;
// libudev never sees a device as initialised (there is no /run/udev for the
// testbed; the properties live in the sysfs uevent file, which libudev reads
// too); scandir() is not wrapped, so libevdev_uinput_get_devnode() finds
// nothing. Handler sockets live under the testbed folder and stop working past
// 108 bytes of path, so the testbed must sit directly under the temporary
// folder.

#include "support/PrivateBus.h"
#include "support/Umockdev.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/input.h>
#include <linux/uinput.h>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <termios.h>
#include <thread>
#include <utility>
#include <unistd.h>
#include <vector>

namespace corv::test {

// The main loop's stall bound for tests that do not test the watchdog: a
// loaded machine may hold a test's main thread for longer than a second.
inline constexpr double kQuietStallBound = 60.0;
// The verdict bound for tests that do not test it: a key a test types is
// always asked, however long a loaded machine keeps the main thread from
// answering.
inline constexpr double kQuietVerdictBound = 10.0;

struct InputEvent {
    std::uint16_t type = 0;
    std::uint16_t code = 0;
    std::int32_t value = 0;
    bool operator==(const InputEvent&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const InputEvent& e) {
    return os << "{" << e.type << "," << e.code << "," << e.value << "}";
}

inline InputEvent keyEvent(std::uint16_t code, std::int32_t value) { return {EV_KEY, code, value}; }
inline InputEvent relEvent(std::uint16_t code, std::int32_t value) { return {EV_REL, code, value}; }
inline InputEvent synReport() { return {EV_SYN, SYN_REPORT, 0}; }

// The events without SYN and MSC ones: what a user would notice.
inline std::vector<InputEvent> significant(const std::vector<InputEvent>& events) {
    std::vector<InputEvent> out;
    for (const auto& e : events)
        if (e.type != EV_SYN && e.type != EV_MSC) out.push_back(e);
    return out;
}

// What an evdev device says about itself through sysfs, udev and EVIOCG*.
struct EvdevDesc {
    std::string name;
    std::uint16_t bus = BUS_USB;
    std::uint16_t vendor = 0x046D;
    std::uint16_t product = 0xC31C;
    std::uint16_t version = 0x0111;
    std::string phys;
    std::string manufacturer;  // of the USB parent
    std::map<std::uint16_t, std::set<std::uint16_t>> codes;  // event type → codes
    bool keyboard = false;
    bool mouse = false;
    bool touchpad = false;
    std::map<std::uint16_t, input_absinfo> abs;  // absolute axes
    std::set<std::uint16_t> props;               // INPUT_PROP_*
    int effects = 0;                             // force-feedback effects it can hold at once
    std::set<std::uint16_t> leds;                // lit from the start
};

inline EvdevDesc fakeKeyboard(std::string name = "Fake Keyboard", std::uint16_t product = 0xC31C) {
    EvdevDesc s;
    s.name = std::move(name);
    s.product = product;
    s.phys = "usb-0000:00:14.0-1/input0";
    s.manufacturer = "Logitech";
    s.keyboard = true;
    for (std::uint16_t k = KEY_ESC; k <= KEY_MICMUTE; ++k) s.codes[EV_KEY].insert(k);
    s.codes[EV_MSC] = {MSC_SCAN};
    s.codes[EV_LED] = {LED_NUML, LED_CAPSL, LED_SCROLLL};
    s.codes[EV_REP] = {};
    return s;
}

inline EvdevDesc fakeMouse(std::string name = "Fake Mouse", std::uint16_t product = 0xC077) {
    EvdevDesc s;
    s.name = std::move(name);
    s.product = product;
    s.phys = "usb-0000:00:14.0-2/input0";
    s.manufacturer = "Logitech";
    s.mouse = true;
    s.codes[EV_KEY] = {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE, BTN_SIDE, BTN_EXTRA, BTN_FORWARD, BTN_BACK};
    s.codes[EV_REL] = {REL_X, REL_Y, REL_WHEEL, REL_HWHEEL, REL_WHEEL_HI_RES, REL_HWHEEL_HI_RES};
    s.codes[EV_MSC] = {MSC_SCAN};
    return s;
}

// A 100 x 70 mm clickpad with five slots and pressure, 40 units a millimetre.
inline EvdevDesc fakeTouchpad(std::string name = "Fake Touchpad") {
    EvdevDesc s;
    s.name = std::move(name);
    s.bus = BUS_I2C;
    s.vendor = 0x06CB;
    s.product = 0xCE44;
    s.phys = "i2c-SYNA0001:00";
    s.touchpad = true;
    s.codes[EV_KEY] = {BTN_LEFT, BTN_TOUCH, BTN_TOOL_FINGER, BTN_TOOL_DOUBLETAP, BTN_TOOL_TRIPLETAP,
                       BTN_TOOL_QUADTAP, BTN_TOOL_QUINTTAP};
    const auto axis = [&](std::uint16_t code, int max, int res) {
        s.codes[EV_ABS].insert(code);
        s.abs[code] = input_absinfo{0, 0, max, 0, 0, res};
    };
    axis(ABS_X, 4000, 40);
    axis(ABS_Y, 2800, 40);
    axis(ABS_MT_SLOT, 4, 0);
    axis(ABS_MT_POSITION_X, 4000, 40);
    axis(ABS_MT_POSITION_Y, 2800, 40);
    axis(ABS_MT_TRACKING_ID, 65535, 0);
    axis(ABS_MT_PRESSURE, 255, 0);
    axis(ABS_MT_TOUCH_MAJOR, 255, 0);
    s.props = {INPUT_PROP_POINTER, INPUT_PROP_BUTTONPAD};
    return s;
}

// A device the program made through /dev/uinput (one per open()).
struct UinputDevice {
    std::string name;
    input_id id{};
    std::map<std::uint16_t, std::set<std::uint16_t>> codes;  // EV_SYN holds the event types
    std::string sysname;                                    // after UI_DEV_CREATE
    bool created = false;
    bool destroyed = false;  // UI_DEV_DESTROY
    std::vector<InputEvent> events;  // written while created, in order
    std::vector<std::chrono::steady_clock::time_point> writtenAt;
    std::set<std::uint16_t> leds;  // lit, by its own events or the desktop's writes to its node
    bool has(std::uint16_t type, std::uint16_t code) const {
        auto it = codes.find(type);
        return it != codes.end() && it->second.count(code);
    }
};

// Drops the capabilities that let root ignore file modes, for this thread and
// the threads it starts afterwards.
inline bool dropFileAccessCapabilities() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) return false;
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
        data[cap / 32].effective &= ~(1u << (cap % 32));
        data[cap / 32].permitted &= ~(1u << (cap % 32));
        data[cap / 32].inheritable &= ~(1u << (cap % 32));
    }
    return ::syscall(SYS_capset, &header, data) == 0;
}

class InputTestbed {
public:
    // Clones get event nodes from this number on; the first few have handlers,
    // so a grab of one is seen.
    static constexpr int kFirstCloneNode = 200;
    static constexpr int kCloneNodesWatched = 8;

    explicit InputTestbed(Testbed& bed) : bed_(bed), handler_(umockdev_ioctl_base_new()) {
        if (bed_.root().size() + std::strlen("/ioctl/dev/input/event1000") >= 108)
            ADD_FAILURE() << "the testbed path " << bed_.root() << " is too long for umockdev's sockets";
        g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&InputTestbed::onIoctl), this);
        g_signal_connect(handler_, "handle-write", G_CALLBACK(&InputTestbed::onWrite), this);
        g_signal_connect(handler_, "handle-read", G_CALLBACK(&InputTestbed::onRead), this);
        g_signal_connect(handler_, "client-connected", G_CALLBACK(&InputTestbed::onConnected), this);
        add("P: /devices/virtual/misc/uinput\nN: uinput\nA: dev=10:223\nE: SUBSYSTEM=misc\nE: DEVNAME=/dev/uinput\n"
            "E: MAJOR=10\nE: MINOR=223\n");
        attach("/dev/uinput");
        uinputMaster_ = bed_.deviceEnd("/dev/uinput");
        termios t{};
        if (uinputMaster_ >= 0 && ::tcgetattr(uinputMaster_, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(uinputMaster_, TCSANOW, &t);
        }
        // The test's own reading end, opened past umockdev, to empty the PTY
        // of what a destroyed device never read.
        if (uinputMaster_ >= 0)
            if (const char* pts = ::ptsname(uinputMaster_))
                uinputDrain_ = static_cast<int>(
                    ::syscall(SYS_openat, AT_FDCWD, pts, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        for (int n = kFirstCloneNode; n < kFirstCloneNode + kCloneNodesWatched; ++n)
            attach("/dev/input/event" + std::to_string(n));
    }
    ~InputTestbed() {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        for (const auto& dev : attached_) umockdev_testbed_detach_ioctl(bed_.handle(), dev.c_str(), nullptr);
        g_signal_handlers_disconnect_by_data(handler_, this);
        g_object_unref(handler_);
        if (uinputDrain_ >= 0) ::syscall(SYS_close, uinputDrain_);
        for (const auto& [name, d] : nodes_)
            if (d.peek >= 0) ::syscall(SYS_close, d.peek);
    }
    InputTestbed(const InputTestbed&) = delete;
    InputTestbed& operator=(const InputTestbed&) = delete;

    // Adds an evdev device; its node, "/dev/input/eventN". With `announce`, an
    // "add" uevent tells the running program; with `heldElsewhere`, another
    // program holds its grab.
    std::string addDevice(const EvdevDesc& desc, bool announce = false, bool heldElsewhere = false) {
        std::lock_guard lock(mutex_);
        const int n = nextNode_++;
        const std::string node = "/dev/input/event" + std::to_string(n);
        Node& d = nodes_[node];
        d.desc = desc;
        d.leds = desc.leds;
        d.heldElsewhere = heldElsewhere;
        char hidName[32];
        std::snprintf(hidName, sizeof hidName, "%04X:%04X:%04X.%04X", desc.bus, desc.vendor, desc.product, n);
        std::string parent;
        if (desc.bus == BUS_USB) {
            char id[8];
            std::snprintf(id, sizeof id, "%04x", desc.vendor);
            const std::string vendor = id;
            std::snprintf(id, sizeof id, "%04x", desc.product);
            parent = own(umockdev_testbed_add_device(bed_.handle(), "usb", ("usb1-" + std::to_string(n)).c_str(),
                                                     nullptr, "idVendor", vendor.c_str(), "idProduct", id,
                                                     "manufacturer", desc.manufacturer.c_str(), "product",
                                                     desc.name.c_str(), nullptr, "DEVTYPE", "usb_device", nullptr));
            d.removable.push_back(parent);
        }
        char hidId[32];
        std::snprintf(hidId, sizeof hidId, "%04X:%08X:%08X", desc.bus, desc.vendor, desc.product);
        const std::string hid =
            own(umockdev_testbed_add_device(bed_.handle(), "hid", hidName, parent.empty() ? nullptr : parent.c_str(),
                                            nullptr, "HID_ID", hidId, "HID_NAME", desc.name.c_str(), "HID_PHYS",
                                            desc.phys.c_str(), nullptr));
        if (parent.empty()) d.removable.push_back(hid);
        const std::string inputName = "input" + std::to_string(n);
        const auto props = udevProperties(desc);
        d.inputSyspath = addInput(hid + "/input/" + inputName, desc, props);
        d.syspath = d.inputSyspath + "/event" + std::to_string(n);
        std::string text = "P: " + d.syspath.substr(std::strlen("/sys")) + "\nN: input/event" + std::to_string(n) +
                           "\nA: dev=13:" + std::to_string(64 + n) + "\nE: SUBSYSTEM=input\nE: DEVNAME=" + node +
                           "\nE: MAJOR=13\nE: MINOR=" + std::to_string(64 + n) + "\n";
        for (const auto& [k, v] : props) text += "E: " + k + "=" + v + "\n";
        addLocked(text);
        d.master = bed_.deviceEnd(node);
        termios t{};
        if (d.master >= 0 && ::tcgetattr(d.master, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(d.master, TCSANOW, &t);
        }
        attachLocked(node);
        if (announce) {
            umockdev_testbed_uevent(bed_.handle(), d.inputSyspath.c_str(), "add");
            umockdev_testbed_uevent(bed_.handle(), d.syspath.c_str(), "add");
        }
        return node;
    }

    // Gives the HID device of an added evdev node a hidraw node too, as the
    // kernel does for a USB keyboard; the hidraw node's sysfs path.
    std::string addHidrawBeside(const std::string& node, const std::string& hidrawName,
                                std::vector<std::uint8_t> descriptor) {
        std::lock_guard lock(mutex_);
        const std::string input = nodes_.at(node).inputSyspath;
        const std::string hid = input.substr(0, input.rfind("/input/"));
        umockdev_testbed_set_attribute_binary(bed_.handle(), hid.c_str(), "report_descriptor", descriptor.data(),
                                              descriptor.size());
        const std::string path = hid + "/hidraw/" + hidrawName;
        addLocked("P: " + path.substr(std::strlen("/sys")) + "\nN: " + hidrawName +
                  "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/" + hidrawName + "\n");
        return path;
    }

    // Writes one frame to the device: the events and a SYN_REPORT, in one write().
    void send(const std::string& node, std::vector<InputEvent> frame) {
        timeval now{};
        ::gettimeofday(&now, nullptr);
        send(node, std::move(frame), now);
    }
    // The same, stamped with `now` (a reader that set EVIOCSCLOCKID wants the
    // monotonic clock).
    void send(const std::string& node, std::vector<InputEvent> frame, timeval now) {
        if (frame.empty() || frame.back().type != EV_SYN) frame.push_back(synReport());
        std::vector<input_event> raw;
        int master = -1;
        {
            std::lock_guard lock(mutex_);
            flush();
            Node& d = nodes_.at(node);
            for (const auto& e : frame) {
                if (e.type == EV_KEY) {
                    if (e.value) d.keysDown.insert(e.code);
                    else d.keysDown.erase(e.code);
                }
                input_event r{};
                r.input_event_sec = now.tv_sec;
                r.input_event_usec = now.tv_usec;
                r.type = e.type;
                r.code = e.code;
                r.value = e.value;
                raw.push_back(r);
            }
            master = d.master;
        }
        const auto bytes = raw.size() * sizeof(input_event);
        if (::write(master, raw.data(), bytes) != static_cast<ssize_t>(bytes))
            ADD_FAILURE() << "cannot write a frame to " << node;
    }
    // The key events `lost` happen on the device but its buffer overflowed:
    // the reader gets only SYN_DROPPED and must ask for the key state.
    void dropReport(const std::string& node, const std::vector<InputEvent>& lost) {
        {
            std::lock_guard lock(mutex_);
            Node& d = nodes_.at(node);
            for (const auto& e : lost) {
                if (e.type != EV_KEY) continue;
                if (e.value) d.keysDown.insert(e.code);
                else d.keysDown.erase(e.code);
            }
        }
        send(node, {{EV_SYN, SYN_DROPPED, 0}, synReport()});
    }
    // A key held since before the program opened the node: the device reports
    // it down, with no event of it waiting.
    void hold(const std::string& node, std::uint16_t code) {
        std::lock_guard lock(mutex_);
        nodes_.at(node).keysDown.insert(code);
    }
    // From now on every read of the node fails with EIO while it stays
    // listed; it can still be opened and grabbed.
    void failReads(const std::string& node, bool fail) {
        std::lock_guard lock(mutex_);
        nodes_.at(node).readsFail = fail;
    }
    // The other program that held the node's grab lets it go.
    void releaseElsewhere(const std::string& node) {
        std::lock_guard lock(mutex_);
        nodes_.at(node).heldElsewhere = false;
    }
    void press(const std::string& node, std::uint16_t code) { send(node, {{EV_MSC, MSC_SCAN, code}, keyEvent(code, 1)}); }
    void release(const std::string& node, std::uint16_t code) {
        send(node, {{EV_MSC, MSC_SCAN, code}, keyEvent(code, 0)});
    }

    // The device goes: "remove" uevents, its sysfs entries, and its node hangs
    // up, so a read on it fails.
    void unplug(const std::string& node) {
        std::lock_guard lock(mutex_);
        flush();
        Node& d = nodes_.at(node);
        umockdev_testbed_uevent(bed_.handle(), d.syspath.c_str(), "remove");
        umockdev_testbed_uevent(bed_.handle(), d.inputSyspath.c_str(), "remove");
        for (const auto& path : d.removable) umockdev_testbed_remove_device(bed_.handle(), path.c_str());
        // The testbed closes this descriptor at its end; /dev/null takes its
        // number, and with it the PTY's last master end goes.
        const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, d.master);
            ::close(null);
        }
        d.unplugged = true;
    }

    // Writes a frame to an event node as another program (the desktop) does,
    // through umockdev.
    void writeToNode(const std::string& node, std::vector<InputEvent> frame) {
        {
            std::lock_guard lock(mutex_);
            flush();
        }
        if (frame.empty() || frame.back().type != EV_SYN) frame.push_back(synReport());
        std::vector<input_event> raw;
        for (const auto& e : frame) raw.push_back(rawEvent(e.type, e.code, e.value));
        const int fd = ::open(node.c_str(), O_WRONLY | O_CLOEXEC);
        const auto bytes = static_cast<ssize_t>(raw.size() * sizeof(input_event));
        if (fd < 0 || ::write(fd, raw.data(), static_cast<std::size_t>(bytes)) != bytes)
            ADD_FAILURE() << "cannot write a frame to " << node;
        if (fd >= 0) ::close(fd);
    }
    // Whether the program has read everything sent to the nodes it holds
    // grabbed.
    bool allRead() {
        std::lock_guard lock(mutex_);
        for (auto& [name, d] : nodes_) {
            if (d.master < 0 || d.unplugged || !d.grabber) continue;
            if (d.peek < 0)
                if (const char* pts = ::ptsname(d.master))
                    d.peek = static_cast<int>(
                        ::syscall(SYS_openat, AT_FDCWD, pts, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
            int unread = 0;
            if (d.peek >= 0 && ::syscall(SYS_ioctl, d.peek, FIONREAD, &unread) == 0 && unread > 0) return false;
        }
        return true;
    }
    // The events written to an event node so far.
    std::vector<InputEvent> writtenTo(const std::string& node) const {
        std::lock_guard lock(mutex_);
        auto it = nodes_.find(node);
        return it == nodes_.end() ? std::vector<InputEvent>{} : it->second.written;
    }
    // The event node of the last uinput device of that name; empty when it
    // has none.
    std::string nodeOf(const std::string& name) {
        std::lock_guard lock(mutex_);
        flush();
        for (int i = static_cast<int>(uinput_.size()) - 1; i >= 0; --i)
            if (uinput_[i].created && uinput_[i].name == name)
                return i < kCloneNodesWatched ? "/dev/input/event" + std::to_string(kFirstCloneNode + i) : "";
        return "";
    }

    bool grabbed(const std::string& node) {
        std::lock_guard lock(mutex_);
        flush();
        auto it = nodes_.find(node);
        return it != nodes_.end() && it->second.grabber != nullptr;
    }
    // Successful grabs so far.
    int grabCount(const std::string& node) const {
        std::lock_guard lock(mutex_);
        auto it = nodes_.find(node);
        return it == nodes_.end() ? 0 : it->second.grabs;
    }
    // Nodes the program ever grabbed, in the order of their first grab.
    std::vector<std::string> everGrabbed() const {
        std::lock_guard lock(mutex_);
        return grabOrder_;
    }

    // Takes read and write permission away from a node ("/dev/..."); only
    // holds once root's capabilities to ignore modes are dropped.
    void denyAccess(const std::string& devnode) {
        const std::string path = bed_.root() + devnode;
        if (::chmod(path.c_str(), 0) != 0) ADD_FAILURE() << "cannot change the mode of " << path;
    }

    std::vector<UinputDevice> uinputDevices() {
        std::lock_guard lock(mutex_);
        flush();
        return uinput_;
    }
    // The last device of that name that was created, if any.
    std::optional<UinputDevice> uinputDevice(const std::string& name) {
        std::lock_guard lock(mutex_);
        flush();
        for (auto it = uinput_.rbegin(); it != uinput_.rend(); ++it)
            if (it->created && it->name == name) return *it;
        return std::nullopt;
    }
    // How many events the last created device of that name got, and the
    // time of the one at `index` once it came; copies no more than that.
    std::size_t writtenCount(const std::string& name, std::size_t index, std::chrono::steady_clock::time_point& at) {
        std::lock_guard lock(mutex_);
        flush();
        for (auto it = uinput_.rbegin(); it != uinput_.rend(); ++it) {
            if (!it->created || it->name != name) continue;
            if (index < it->writtenAt.size()) at = it->writtenAt[index];
            return it->events.size();
        }
        return 0;
    }
    std::vector<InputEvent> written(const std::string& name) {
        auto d = uinputDevice(name);
        return d ? significant(d->events) : std::vector<InputEvent>{};
    }

    // Waits without running the event loop, so the main thread stays held.
    bool waitHeld(const std::function<bool(const std::vector<UinputDevice>&)>& condition, int timeoutMs) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return condition(uinput_); });
    }

    // Called on umockdev's worker thread for each event written to a uinput
    // device, with the mutex held.
    std::function<void(const UinputDevice&, const InputEvent&)> onUinputWrite;
    // Called on umockdev's worker thread as a node is grabbed, before the
    // grabbing program goes on; frames sent here wait in the node.
    std::function<void(const std::string& node)> onGrab;

private:
    struct Node {
        EvdevDesc desc;
        std::string syspath;
        std::string inputSyspath;
        std::vector<std::string> removable;
        std::set<std::uint16_t> keysDown;
        std::set<std::uint16_t> leds;       // lit
        std::vector<InputEvent> written;    // by programs, in order
        int uinput = -1;                    // the uinput device it belongs to
        bool readsFail = false;
        int master = -1;
        int peek = -1;  // the test's own end beside the program's, to count what it has not read
        const void* grabber = nullptr;
        int grabs = 0;
        bool heldElsewhere = false;
        bool unplugged = false;
    };

    static std::string own(gchar* s) {
        std::string out = s ? s : "";
        g_free(s);
        return out;
    }

    static std::vector<std::pair<std::string, std::string>> udevProperties(const EvdevDesc& desc) {
        std::vector<std::pair<std::string, std::string>> p{{"ID_INPUT", "1"}};
        if (desc.keyboard) {
            p.emplace_back("ID_INPUT_KEY", "1");
            p.emplace_back("ID_INPUT_KEYBOARD", "1");
        }
        if (desc.mouse) p.emplace_back("ID_INPUT_MOUSE", "1");
        if (desc.touchpad) p.emplace_back("ID_INPUT_TOUCHPAD", "1");
        if (desc.bus == BUS_USB) p.emplace_back("ID_BUS", "usb");
        if (desc.bus == BUS_BLUETOOTH) p.emplace_back("ID_BUS", "bluetooth");
        char id[8];
        std::snprintf(id, sizeof id, "%04x", desc.vendor);
        p.emplace_back("ID_VENDOR_ID", id);
        std::snprintf(id, sizeof id, "%04x", desc.product);
        p.emplace_back("ID_MODEL_ID", id);
        return p;
    }

    // A bitmap as the kernel shows it in sysfs: longs in hex, highest first.
    static std::string sysfsBits(const std::set<std::uint16_t>& bits) {
        if (bits.empty()) return "0";
        const std::size_t words = *bits.rbegin() / 64 + 1;
        std::vector<std::uint64_t> w(words);
        for (auto b : bits) w[b / 64] |= std::uint64_t{1} << (b % 64);
        std::string out;
        char buf[24];
        for (std::size_t i = words; i-- > 0;) {
            std::snprintf(buf, sizeof buf, out.empty() ? "%llx" : " %llx", static_cast<unsigned long long>(w[i]));
            out += buf;
        }
        return out;
    }

    std::string addInput(const std::string& syspath, const EvdevDesc& desc,
                         const std::vector<std::pair<std::string, std::string>>& props) {
        std::string text = "P: " + syspath.substr(std::strlen("/sys")) + "\nE: SUBSYSTEM=input\nA: name=" +
                           desc.name + "\nA: phys=" + desc.phys + "\nA: uniq=\n";
        char product[48];
        std::snprintf(product, sizeof product, "%x/%x/%x/%x", desc.bus, desc.vendor, desc.product, desc.version);
        text += "E: PRODUCT=" + std::string(product) + "\nE: NAME=\"" + desc.name + "\"\nE: PHYS=\"" + desc.phys +
                "\"\n";
        for (const auto& [k, v] : props) text += "E: " + k + "=" + v + "\n";
        addLocked(text);
        const std::string dir = bed_.root() + syspath;
        std::filesystem::create_directories(dir + "/id");
        std::filesystem::create_directories(dir + "/capabilities");
        const std::pair<const char*, std::uint16_t> ids[] = {
            {"bustype", desc.bus}, {"vendor", desc.vendor}, {"product", desc.product}, {"version", desc.version}};
        for (const auto& [name, value] : ids) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%04x", value);
            umockdev_testbed_set_attribute(bed_.handle(), syspath.c_str(), (std::string("id/") + name).c_str(), hex);
        }
        std::set<std::uint16_t> types{EV_SYN};
        for (const auto& [type, codes] : desc.codes) types.insert(type);
        umockdev_testbed_set_attribute(bed_.handle(), syspath.c_str(), "capabilities/ev", sysfsBits(types).c_str());
        const std::pair<const char*, std::uint16_t> kinds[] = {{"key", EV_KEY}, {"rel", EV_REL}, {"abs", EV_ABS},
                                                              {"msc", EV_MSC}, {"led", EV_LED}, {"sw", EV_SW}};
        for (const auto& [file, type] : kinds) {
            auto it = desc.codes.find(type);
            umockdev_testbed_set_attribute(bed_.handle(), syspath.c_str(), (std::string("capabilities/") + file).c_str(),
                                           sysfsBits(it == desc.codes.end() ? std::set<std::uint16_t>{} : it->second)
                                               .c_str());
        }
        return syspath;
    }

    void add(const std::string& text) {
        std::lock_guard lock(mutex_);
        addLocked(text);
    }
    void addLocked(const std::string& text) {
        GError* error = nullptr;
        if (!umockdev_testbed_add_from_string(bed_.handle(), text.c_str(), &error)) {
            ADD_FAILURE() << "umockdev: " << (error ? error->message : "cannot add a device");
            if (error) g_error_free(error);
        }
    }
    void attach(const std::string& devnode) {
        std::lock_guard lock(mutex_);
        attachLocked(devnode);
    }
    void attachLocked(const std::string& devnode) {
        GError* error = nullptr;
        if (!umockdev_testbed_attach_ioctl(bed_.handle(), devnode.c_str(), handler_, &error)) {
            ADD_FAILURE() << "umockdev cannot attach to " << devnode << ": " << (error ? error->message : "");
            if (error) g_error_free(error);
            return;
        }
        attached_.push_back(devnode);
    }

    // Copies `bytes` into the client's buffer the ioctl points at.
    static void reply(UMockdevIoctlClient* client, const void* bytes, std::size_t length, long result) {
        const gulong request = umockdev_ioctl_client_get_request(client);
        const std::size_t size = _IOC_SIZE(request);
        UMockdevIoctlData* data = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, size, nullptr);
        if (!data) {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
        std::memset(data->data, 0, size);
        std::memcpy(data->data, bytes, std::min(size, length));
        umockdev_ioctl_client_complete(client, result, 0);
        g_object_unref(data);
    }
    // A bitmap of codes up to `maxBit`, as the kernel answers it: no more
    // than the bitmap's whole longs, fewer when the caller's buffer is
    // shorter; the rest of the buffer stays as it was.
    static void replyBits(UMockdevIoctlClient* client, const std::set<std::uint16_t>& bits, unsigned maxBit) {
        const std::size_t size = _IOC_SIZE(umockdev_ioctl_client_get_request(client));
        const std::size_t whole = (maxBit + 8 * sizeof(long) - 1) / (8 * sizeof(long)) * sizeof(long);
        const std::size_t length = std::min(size, whole);
        UMockdevIoctlData* data = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, size, nullptr);
        if (!data) {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
        std::memset(data->data, 0, length);
        for (auto b : bits)
            if (b / 8u < length) data->data[b / 8] |= std::uint8_t(1u << (b % 8));
        umockdev_ioctl_client_complete(client, static_cast<long>(length), 0);
        g_object_unref(data);
    }
    static void replyString(UMockdevIoctlClient* client, const std::string& s) {
        if (s.empty()) {
            umockdev_ioctl_client_complete(client, -1, ENOENT);
            return;
        }
        const std::size_t size = _IOC_SIZE(umockdev_ioctl_client_get_request(client));
        reply(client, s.c_str(), std::min(size, s.size() + 1), static_cast<long>(std::min(size, s.size() + 1)));
    }
    static unsigned long argValue(UMockdevIoctlClient* client) {
        unsigned long v = 0;
        std::memcpy(&v, umockdev_ioctl_client_get_arg(client)->data, sizeof v);
        return v;
    }
    static int index(UMockdevIoctlClient* client) {
        return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(client), "corv-uinput")) - 1;
    }

    static void onConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        auto* rig = static_cast<InputTestbed*>(self);
        if (std::strcmp(umockdev_ioctl_client_get_devnode(client), "/dev/uinput") != 0) return;
        std::lock_guard lock(rig->mutex_);
        rig->uinput_.emplace_back();
        g_object_set_data(G_OBJECT(client), "corv-uinput", GINT_TO_POINTER(static_cast<int>(rig->uinput_.size())));
    }

    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        auto* rig = static_cast<InputTestbed*>(self);
        std::lock_guard lock(rig->mutex_);
        const std::string devnode = umockdev_ioctl_client_get_devnode(client);
        if (devnode == "/dev/uinput") rig->uinputIoctl(client);
        else rig->evdevIoctl(client, devnode);
        rig->changed_.notify_all();
        return TRUE;
    }

    void evdevIoctl(UMockdevIoctlClient* client, const std::string& devnode) {
        const gulong request = umockdev_ioctl_client_get_request(client);
        auto it = nodes_.find(devnode);
        if (it == nodes_.end() || _IOC_TYPE(request) != 'E') {
            umockdev_ioctl_client_complete(client, -1, it == nodes_.end() ? ENODEV : ENOTTY);
            return;
        }
        Node& d = it->second;
        const unsigned nr = _IOC_NR(request);
        if (nr == _IOC_NR(EVIOCGVERSION)) {
            const int version = EV_VERSION;
            reply(client, &version, sizeof version, 0);
        } else if (nr == _IOC_NR(EVIOCGID)) {
            const input_id id{d.desc.bus, d.desc.vendor, d.desc.product, d.desc.version};
            reply(client, &id, sizeof id, 0);
        } else if (nr == _IOC_NR(EVIOCGREP) && _IOC_DIR(request) == _IOC_READ) {
            const unsigned rep[2] = {250, 33};
            reply(client, rep, sizeof rep, 0);
        } else if (nr == _IOC_NR(EVIOCGNAME(0))) {
            replyString(client, d.desc.name);
        } else if (nr == _IOC_NR(EVIOCGPHYS(0))) {
            replyString(client, d.desc.phys);
        } else if (nr == _IOC_NR(EVIOCGUNIQ(0))) {
            replyString(client, "");
        } else if (nr == _IOC_NR(EVIOCGPROP(0))) {
            replyBits(client, d.desc.props, INPUT_PROP_MAX);
        } else if (nr == _IOC_NR(EVIOCGMTSLOTS(0)) && _IOC_DIR(request) == _IOC_READ) {
            // No finger down: every slot's tracking id is -1, other values 0.
            const std::size_t size = _IOC_SIZE(request);
            UMockdevIoctlData* data =
                umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, size, nullptr);
            if (!data || size < sizeof(std::uint32_t)) {
                umockdev_ioctl_client_complete(client, -1, EFAULT);
                if (data) g_object_unref(data);
                return;
            }
            std::uint32_t code = 0;
            std::memcpy(&code, data->data, sizeof code);
            const std::int32_t value = code == ABS_MT_TRACKING_ID ? -1 : 0;
            for (std::size_t at = sizeof code; at + sizeof value <= size; at += sizeof value)
                std::memcpy(data->data + at, &value, sizeof value);
            umockdev_ioctl_client_complete(client, 0, 0);
            g_object_unref(data);
        } else if (nr == _IOC_NR(EVIOCGKEY(0))) {
            replyBits(client, d.keysDown, KEY_MAX);
        } else if (nr == _IOC_NR(EVIOCGLED(0))) {
            replyBits(client, d.leds, LED_MAX);
        } else if (nr == _IOC_NR(EVIOCGSND(0))) {
            replyBits(client, {}, SND_MAX);
        } else if (nr == _IOC_NR(EVIOCGSW(0))) {
            replyBits(client, {}, SW_MAX);
        } else if (nr == _IOC_NR(EVIOCGEFFECTS) && _IOC_DIR(request) == _IOC_READ) {
            const int effects = d.desc.effects;
            reply(client, &effects, sizeof effects, 0);
        } else if (nr >= _IOC_NR(EVIOCGBIT(0, 0)) && nr < _IOC_NR(EVIOCGBIT(EV_MAX + 1, 0))) {
            const unsigned type = nr - _IOC_NR(EVIOCGBIT(0, 0));
            static const std::map<unsigned, unsigned> kMaxBit = {
                {0, EV_MAX},        {EV_KEY, KEY_MAX}, {EV_REL, REL_MAX}, {EV_ABS, ABS_MAX}, {EV_MSC, MSC_MAX},
                {EV_LED, LED_MAX},  {EV_SND, SND_MAX}, {EV_FF, FF_MAX},   {EV_SW, SW_MAX}};
            const auto maxBit = kMaxBit.find(type);
            if (maxBit == kMaxBit.end()) {
                umockdev_ioctl_client_complete(client, -1, EINVAL);  // no bitmap of that type
            } else if (type == 0) {
                std::set<std::uint16_t> types{EV_SYN};
                for (const auto& [t, codes] : d.desc.codes) types.insert(t);
                replyBits(client, types, maxBit->second);
            } else {
                auto c = d.desc.codes.find(static_cast<std::uint16_t>(type));
                replyBits(client, c == d.desc.codes.end() ? std::set<std::uint16_t>{} : c->second, maxBit->second);
            }
        } else if (nr >= _IOC_NR(EVIOCGABS(0)) && nr < _IOC_NR(EVIOCGABS(ABS_MAX + 1)) &&
                   _IOC_DIR(request) == _IOC_READ) {
            const unsigned code = nr - _IOC_NR(EVIOCGABS(0));
            auto a = d.desc.abs.find(static_cast<std::uint16_t>(code));
            const input_absinfo info = a == d.desc.abs.end() ? input_absinfo{} : a->second;
            reply(client, &info, sizeof info, 0);
        } else if (nr == _IOC_NR(EVIOCGRAB)) {
            const bool take = argValue(client) != 0;
            int error = 0;
            if (take) {
                if (d.heldElsewhere || (d.grabber && d.grabber != client)) error = EBUSY;
                else if (!d.grabber) {
                    d.grabber = client;
                    ++d.grabs;
                    if (std::find(grabOrder_.begin(), grabOrder_.end(), devnode) == grabOrder_.end())
                        grabOrder_.push_back(devnode);
                    if (onGrab) onGrab(devnode);
                }
            } else if (d.grabber == client) {
                d.grabber = nullptr;
            } else {
                error = EINVAL;
            }
            umockdev_ioctl_client_complete(client, error ? -1 : 0, error);
        } else if (_IOC_DIR(request) == _IOC_WRITE || nr == _IOC_NR(EVIOCREVOKE)) {
            umockdev_ioctl_client_complete(client, 0, 0);  // clock id, repeat rate, revoke, masks
        } else {
            umockdev_ioctl_client_complete(client, -1, EINVAL);
        }
    }

    void uinputIoctl(UMockdevIoctlClient* client) {
        const gulong request = umockdev_ioctl_client_get_request(client);
        const int i = index(client);
        if (i < 0 || _IOC_TYPE(request) != UINPUT_IOCTL_BASE) {
            umockdev_ioctl_client_complete(client, -1, ENOTTY);
            return;
        }
        UinputDevice& d = uinput_[i];
        const unsigned nr = _IOC_NR(request);
        if (request == UI_GET_VERSION) {
            const unsigned version = 5;
            reply(client, &version, sizeof version, 0);
        } else if (nr == _IOC_NR(UI_GET_SYSNAME(0)) && _IOC_DIR(request) == _IOC_READ) {
            if (!d.created) {
                umockdev_ioctl_client_complete(client, -1, ENOENT);
                return;
            }
            replyString(client, d.sysname);
        } else if (request == UI_DEV_SETUP) {
            UMockdevIoctlData* data = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0,
                                                                  sizeof(uinput_setup), nullptr);
            if (!data) {
                umockdev_ioctl_client_complete(client, -1, EFAULT);
                return;
            }
            uinput_setup setup;
            std::memcpy(&setup, data->data, sizeof setup);
            d.id = setup.id;
            d.name.assign(setup.name, strnlen(setup.name, sizeof setup.name));
            umockdev_ioctl_client_complete(client, 0, 0);
            g_object_unref(data);
        } else if (request == UI_DEV_CREATE) {
            if (d.created) {
                umockdev_ioctl_client_complete(client, -1, EINVAL);
                return;
            }
            d.created = true;
            d.sysname = "input" + std::to_string(kFirstCloneNode + i);
            pending_.push_back(i);
            umockdev_ioctl_client_complete(client, 0, 0);
        } else if (request == UI_DEV_DESTROY) {
            if (d.created && !d.destroyed) pending_.push_back(i);
            d.destroyed = true;
            dropReads(i);
            umockdev_ioctl_client_complete(client, 0, 0);
        } else if (nr >= _IOC_NR(UI_SET_EVBIT) && nr <= _IOC_NR(UI_SET_PROPBIT) && request != UI_SET_PHYS) {
            static const std::map<unsigned, std::uint16_t> kinds = {
                {_IOC_NR(UI_SET_EVBIT), EV_SYN},   {_IOC_NR(UI_SET_KEYBIT), EV_KEY}, {_IOC_NR(UI_SET_RELBIT), EV_REL},
                {_IOC_NR(UI_SET_ABSBIT), EV_ABS},  {_IOC_NR(UI_SET_MSCBIT), EV_MSC}, {_IOC_NR(UI_SET_LEDBIT), EV_LED},
                {_IOC_NR(UI_SET_SNDBIT), EV_SND},  {_IOC_NR(UI_SET_FFBIT), EV_FF},   {_IOC_NR(UI_SET_SWBIT), EV_SW},
                {_IOC_NR(UI_SET_PROPBIT), EV_MAX}};  // properties under EV_MAX
            d.codes[kinds.at(nr)].insert(static_cast<std::uint16_t>(argValue(client)));
            umockdev_ioctl_client_complete(client, 0, 0);
        } else {
            umockdev_ioctl_client_complete(client, 0, 0);  // UI_SET_PHYS, UI_ABS_SETUP and the like
        }
    }

    // Created and destroyed uinput devices appear in and leave sysfs, as the
    // kernel's would, on the test's thread at its next call here: umockdev
    // sends uevents of its own for such changes, and aborts when the program
    // cannot take them because its main thread waits in the ioctl.
    void flush() {
        if (std::this_thread::get_id() != owner_) return;
        for (int i : std::exchange(pending_, {})) {
            if (!uinput_[i].destroyed) announce(uinput_[i], i);
            else unannounce(uinput_[i]);
        }
    }
    void announce(UinputDevice& d, int i) {
        const int n = kFirstCloneNode + i;
        const std::string input = "/sys/devices/virtual/input/" + d.sysname;
        std::string props = "E: ID_INPUT=1\n";
        if (d.has(EV_KEY, KEY_A) && d.has(EV_KEY, KEY_SPACE)) props += "E: ID_INPUT_KEY=1\nE: ID_INPUT_KEYBOARD=1\n";
        if (d.has(EV_REL, REL_X) && d.has(EV_KEY, BTN_LEFT)) props += "E: ID_INPUT_MOUSE=1\n";
        addLocked("P: " + input.substr(4) + "\nE: SUBSYSTEM=input\nA: name=" + d.name + "\nE: NAME=\"" + d.name +
                  "\"\n" + props);
        const std::string event = input + "/event" + std::to_string(n);
        const std::string devnode = "/dev/input/event" + std::to_string(n);
        const bool watched = i < kCloneNodesWatched;
        Node& node = nodes_[devnode];
        node.desc.name = d.name;
        node.desc.bus = d.id.bustype;
        node.desc.vendor = d.id.vendor;
        node.desc.product = d.id.product;
        node.desc.codes = d.codes;
        node.desc.codes.erase(EV_SYN);
        node.syspath = event;
        node.inputSyspath = input;
        node.uinput = i;
        node.removable = {input};
        addLocked("P: " + event.substr(4) + (watched ? "\nN: input/event" + std::to_string(n) : std::string()) +
                  "\nA: dev=13:" + std::to_string(64 + n) + "\nE: SUBSYSTEM=input\nE: DEVNAME=" + devnode +
                  "\nE: MAJOR=13\nE: MINOR=" + std::to_string(64 + n) + "\n" + props);
        node.master = watched ? bed_.deviceEnd(devnode) : -1;
    }
    void unannounce(const UinputDevice& d) {
        for (auto& [devnode, node] : nodes_) {
            if (node.inputSyspath != "/sys/devices/virtual/input/" + d.sysname || node.unplugged) continue;
            for (const auto& path : node.removable) umockdev_testbed_remove_device(bed_.handle(), path.c_str());
            node.unplugged = true;
        }
    }

    static input_event rawEvent(std::uint16_t type, std::uint16_t code, std::int32_t value) {
        timeval now{};
        ::gettimeofday(&now, nullptr);
        input_event r{};
        r.input_event_sec = now.tv_sec;
        r.input_event_usec = now.tv_usec;
        r.type = type;
        r.code = code;
        r.value = value;
        return r;
    }

    // A frame written to an event node. Its LEDs that change the device's
    // state go to the reader of the uinput device it belongs to, or else to
    // the node's own reader, with a SYN_REPORT.
    void nodeWrite(UMockdevIoctlClient* client, Node& d, const std::uint8_t* data, std::size_t length) {
        std::vector<input_event> changed;
        // A created device's lights are the uinput device's own.
        std::set<std::uint16_t>& leds = d.uinput >= 0 ? uinput_[d.uinput].leds : d.leds;
        for (std::size_t at = 0; at + sizeof(input_event) <= length; at += sizeof(input_event)) {
            input_event e;
            std::memcpy(&e, data + at, sizeof e);
            d.written.push_back({e.type, e.code, e.value});
            if (e.type != EV_LED || leds.count(e.code) == (e.value != 0)) continue;
            if (e.value) leds.insert(e.code);
            else leds.erase(e.code);
            changed.push_back(rawEvent(EV_LED, e.code, e.value));
        }
        if (!changed.empty() && d.uinput >= 0) {
            reads_.push_back({d.uinput, changed});
            if (reads_.size() == 1) startRead();
        } else if (!changed.empty() && d.master >= 0) {
            changed.push_back(rawEvent(EV_SYN, SYN_REPORT, 0));
            const auto bytes = changed.size() * sizeof(input_event);
            if (::write(d.master, changed.data(), bytes) != static_cast<ssize_t>(bytes))
                ADD_FAILURE() << "cannot give the LEDs back";
        }
        umockdev_ioctl_client_complete(client, static_cast<long>(length - length % sizeof(input_event)), 0);
    }

    // The next device's events go into the PTY.
    void startRead() {
        if (reads_.empty()) return;
        const auto& events = reads_.front().second;
        readLeft_ = events.size() * sizeof(input_event);
        if (::write(uinputMaster_, events.data(), readLeft_) != static_cast<ssize_t>(readLeft_))
            ADD_FAILURE() << "cannot queue events for a uinput device";
    }
    // A destroyed device's events are never read.
    void dropReads(int i) {
        if (reads_.empty()) return;
        const bool head = reads_.front().first == i;
        std::erase_if(reads_, [i](const auto& r) { return r.first == i; });
        if (!head) return;
        std::vector<std::uint8_t> sink(readLeft_);
        if (uinputDrain_ < 0 || ::syscall(SYS_read, uinputDrain_, sink.data(), sink.size()) !=
                                    static_cast<long>(sink.size()))
            ADD_FAILURE() << "cannot empty the uinput PTY";
        startRead();
    }

    static gboolean onRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        auto* rig = static_cast<InputTestbed*>(self);
        std::lock_guard lock(rig->mutex_);
        const int i = index(client);
        if (i < 0) {
            auto it = rig->nodes_.find(umockdev_ioctl_client_get_devnode(client));
            if (it == rig->nodes_.end() || !it->second.readsFail) return FALSE;  // the PTY answers
            umockdev_ioctl_client_complete(client, -1, EIO);
            return TRUE;
        }
        if (rig->reads_.empty() || rig->reads_.front().first != i) {
            umockdev_ioctl_client_complete(client, -1, EAGAIN);
            return TRUE;
        }
        int error = 0;
        GError* failure = nullptr;
        const int n = umockdev_ioctl_client_execute(client, &error, &failure);
        if (failure) g_error_free(failure);
        umockdev_ioctl_client_complete(client, n, n < 0 ? error : 0);
        if (n > 0) {
            rig->readLeft_ -= std::min(rig->readLeft_, static_cast<std::size_t>(n));
            if (rig->readLeft_ == 0) {
                rig->reads_.pop_front();
                rig->startRead();
            }
        }
        return TRUE;
    }

    static gboolean onWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        auto* rig = static_cast<InputTestbed*>(self);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        const auto now = std::chrono::steady_clock::now();
        std::lock_guard lock(rig->mutex_);
        const int i = index(client);
        if (i < 0) {
            auto it = rig->nodes_.find(umockdev_ioctl_client_get_devnode(client));
            if (it == rig->nodes_.end()) return FALSE;  // the PTY takes it
            rig->nodeWrite(client, it->second, arg->data, static_cast<std::size_t>(arg->data_len));
            rig->changed_.notify_all();
            return TRUE;
        }
        UinputDevice& d = rig->uinput_[i];
        const std::size_t length = static_cast<std::size_t>(arg->data_len);
        if (!d.created || d.destroyed || length % sizeof(input_event) != 0) {
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return TRUE;
        }
        std::vector<input_event> lights;
        for (std::size_t at = 0; at < length; at += sizeof(input_event)) {
            input_event e;
            std::memcpy(&e, arg->data + at, sizeof e);
            d.events.push_back({e.type, e.code, e.value});
            d.writtenAt.push_back(now);
            if (rig->onUinputWrite) rig->onUinputWrite(d, d.events.back());
            // Its own lights change its state, and come back to its reader.
            if (e.type != EV_LED || d.leds.count(e.code) == (e.value != 0)) continue;
            if (e.value) d.leds.insert(e.code);
            else d.leds.erase(e.code);
            lights.push_back(rawEvent(EV_LED, e.code, e.value));
        }
        if (!lights.empty()) {
            rig->reads_.push_back({i, lights});
            if (rig->reads_.size() == 1) rig->startRead();
        }
        umockdev_ioctl_client_complete(client, static_cast<long>(length), 0);
        rig->changed_.notify_all();
        return TRUE;
    }

    Testbed& bed_;
    UMockdevIoctlBase* handler_;
    // Recursive: umockdev may report a closed client from inside a handler.
    mutable std::recursive_mutex mutex_;
    std::condition_variable_any changed_;
    std::map<std::string, Node> nodes_;
    std::vector<UinputDevice> uinput_;
    std::vector<std::string> grabOrder_;
    std::vector<std::string> attached_;
    std::vector<int> pending_;  // uinput devices whose sysfs entries wait for flush()
    // Events for uinput devices to read, by device; the first are in the PTY,
    // and so many of their bytes are still unread.
    std::deque<std::pair<int, std::vector<input_event>>> reads_;
    std::size_t readLeft_ = 0;
    int uinputMaster_ = -1;
    int uinputDrain_ = -1;
    std::thread::id owner_ = std::this_thread::get_id();
    int nextNode_ = 3;
    bool closing_ = false;
};

} // namespace corv::test
