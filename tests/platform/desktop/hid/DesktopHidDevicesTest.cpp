// hidraw devices faked with umockdev: sysfs entries with report descriptors,
// and /dev nodes whose other end the test holds. Each test runs again in a
// child process with umockdev's preload library.

#include "platform/desktop/hid/DesktopHidDevices.h"
#include "platform/desktop/DesktopRunLoop.h"

#include "support/PrivateBus.h"
#include "support/Umockdev.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace corv::desktop {
namespace {

using platform::HidDeviceRef;
using test::spinUntil;
using test::Testbed;
using Bytes = std::vector<std::uint8_t>;

// The HID++ interface of a receiver: short and long reports.
const Bytes kHidppDescriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x10, 0x75, 0x08, 0x95, 0x06,
                                0x09, 0x01, 0x81, 0x00, 0x09, 0x01, 0x91, 0x00, 0xC0, 0x09, 0x02, 0xA1, 0x01,
                                0x85, 0x11, 0x95, 0x13, 0x09, 0x02, 0x81, 0x00, 0x09, 0x02, 0x91, 0x00, 0xC0};
const Bytes kKeyboardDescriptor = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x81, 0x02, 0xC0};
const Bytes kMouseDescriptor = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x81, 0x02, 0xC0, 0xC0};
// A Bluetooth keyboard: its keys first, HID++ long reports after.
const Bytes kBluetoothKeyboardDescriptor = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x05, 0x07, 0x81,
                                            0x02, 0xC0, 0x06, 0x00, 0xFF, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x11,
                                            0x95, 0x13, 0x09, 0x02, 0x81, 0x00, 0x09, 0x02, 0x91, 0x00, 0xC0};

// A PTY of the test's own behind a testbed node: closing its master end makes
// the node's reads fail with EIO, as a device that goes bad does.
struct OwnPty {
    int master = -1;
    explicit OwnPty(const std::string& link) {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
        termios raw{};
        ::tcgetattr(master, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(master, TCSANOW, &raw);
        const std::string slave = ::ptsname(master);
        ::unlink(link.c_str());
        if (::symlink(slave.c_str(), link.c_str()) != 0) hangUp();
    }
    ~OwnPty() { hangUp(); }
    void hangUp() {
        if (master >= 0) ::close(master);
        master = -1;
    }
};

Testbed::HidDevice boltReceiver() {
    return {3, 0x046D, 0xC548, "Logitech USB Receiver", kHidppDescriptor, "Logitech", "USB Receiver"};
}

class DesktopHidDevicesTest : public ::testing::Test {
protected:
    std::unique_ptr<platform::HidManager> manager(std::vector<platform::HidMatching> matching,
                                                  std::vector<std::string>& events) {
        auto m = devices.createManager();
        m->setDeviceMatching(std::move(matching));
        m->setMatchedHandler([&events](const HidDeviceRef& d) { events.push_back(marked('+', d)); });
        m->setRemovedHandler([&events](const HidDeviceRef& d) { events.push_back(marked('-', d)); });
        return m;
    }
    static std::string node(const HidDeviceRef& d) {
        return static_cast<const DesktopHidDevice&>(*d).info().devnode;
    }
    // "+node" or "-node". Appended, not concatenated: GCC 12 at -O3 warns
    // falsely on a literal + string.
    static std::string marked(char sign, const HidDeviceRef& d) {
        std::string event(1, sign);
        event += node(d);
        return event;
    }
    // Waits until `events` has as many entries as `expected`, then a little
    // longer, and compares.
    static void expectEvents(std::vector<std::string>& events, const std::vector<std::string>& expected) {
        spinUntil([&] { return events.size() >= expected.size(); }, 5000);
        spinUntil([] { return false; }, 100);
        EXPECT_EQ(events, expected);
    }

    // A manager that has matched the one node of the test bed, now `receiver`.
    std::unique_ptr<platform::HidManager> openReceiver() {
        auto m = manager({}, ignoredEvents);
        m->setMatchedHandler([this](const HidDeviceRef& d) { receiver = d; });
        m->open();
        spinUntil([&] { return receiver != nullptr; }, 5000);
        return m;
    }

    // Reads one whole report of `length` bytes from the test's end of a node.
    static Bytes readRequest(int fd, std::size_t length) {
        Bytes out;
        while (out.size() < length) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0) break;
            std::uint8_t buf[64];
            const ssize_t n = ::read(fd, buf, std::min(sizeof buf, length - out.size()));
            if (n <= 0) break;
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }

    DesktopRunLoop loop;
    std::vector<std::string> log;
    DesktopHidDevices devices{loop, [this](const std::string& line) { log.push_back(line); }};
    // Set by openReceiver; released before the devices.
    std::vector<std::string> ignoredEvents;
    HidDeviceRef receiver;
};

TEST_F(DesktopHidDevicesTest, FindsMatchingDevicesWithTheirPropertiesAndFollowsHotPlug) {
    if (!test::runningUnderUmockdev()) return;
    Testbed bed;
    const auto receiver = bed.addHidraw(boltReceiver(), "hidraw0");
    bed.addHidraw({3, 0x046D, 0xC548, "Logitech USB Receiver", kKeyboardDescriptor, "Logitech", "USB Receiver"},
                  "hidraw1");
    const auto btKeyboard =
        bed.addHidraw({5, 0x046D, 0xB35B, "MX Keys", kBluetoothKeyboardDescriptor, "", ""}, "hidraw2");
    bed.addHidraw({3, 0x1234, 0x5678, "Other mouse", kMouseDescriptor, "Other", "Mouse"}, "hidraw3");

    std::vector<std::string> logi, keyboards;
    std::map<std::string, HidDeviceRef> seen;
    auto logiManager = manager({{{platform::kHidVendorIdKey, std::int64_t{0x046D}}}}, logi);
    logiManager->setMatchedHandler([&](const HidDeviceRef& d) {
        logi.push_back(marked('+', d));
        seen[node(d)] = d;
    });
    auto keyboardManager = manager({{{platform::kHidDeviceUsagePageKey, std::int64_t{1}},
                                     {platform::kHidDeviceUsageKey, std::int64_t{6}}}},
                                   keyboards);
    logiManager->open();
    keyboardManager->open();
    EXPECT_TRUE(logi.empty());  // reported on a later turn
    // In the order of their sysfs paths: the Bluetooth keyboard hangs directly
    // under /sys/devices, the receiver under its USB device.
    expectEvents(logi, {"+/dev/hidraw2", "+/dev/hidraw0", "+/dev/hidraw1"});
    expectEvents(keyboards, {"+/dev/hidraw2", "+/dev/hidraw1"});
    EXPECT_TRUE(log.empty());

    ASSERT_EQ(seen.size(), 3u);
    const HidDeviceRef bolt = seen["/dev/hidraw0"];
    EXPECT_EQ(bolt->intProperty(platform::kHidVendorIdKey), 0x046D);
    EXPECT_EQ(bolt->intProperty(platform::kHidProductIdKey), 0xC548);
    EXPECT_EQ(bolt->intProperty(platform::kHidPrimaryUsagePageKey), 0xFF00);
    EXPECT_EQ(bolt->intProperty(platform::kHidPrimaryUsageKey), 1);
    EXPECT_EQ(bolt->stringProperty(platform::kHidTransportKey), "USB");
    EXPECT_EQ(bolt->stringProperty(platform::kHidManufacturerKey), "Logitech");
    EXPECT_EQ(bolt->stringProperty(platform::kHidProductKey), "USB Receiver");
    EXPECT_EQ(bolt->usagePairs(), (std::vector<platform::HidUsagePair>{{0xFF00, 1}, {0xFF00, 2}}));
    const HidDeviceRef mxKeys = seen["/dev/hidraw2"];
    EXPECT_EQ(mxKeys->stringProperty(platform::kHidTransportKey), "Bluetooth");
    EXPECT_EQ(mxKeys->stringProperty(platform::kHidProductKey), "MX Keys");
    EXPECT_FALSE(mxKeys->stringProperty(platform::kHidManufacturerKey));
    EXPECT_EQ(mxKeys->intProperty(platform::kHidPrimaryUsagePageKey), 1);

    // A receiver plugged in, the Bolt one pulled out: the same device object
    // that was reported goes.
    const auto unifying = bed.addHidraw({3, 0x046D, 0xC52B, "", kHidppDescriptor, "Logitech", "USB Receiver"},
                                        "hidraw4");
    bed.uevent(unifying, "add");
    std::vector<HidDeviceRef> removed;
    logiManager->setRemovedHandler([&](const HidDeviceRef& d) {
        logi.push_back(marked('-', d));
        removed.push_back(d);
    });
    bed.uevent(receiver, "remove");
    bed.remove(receiver);
    expectEvents(logi, {"+/dev/hidraw2", "+/dev/hidraw0", "+/dev/hidraw1", "+/dev/hidraw4", "-/dev/hidraw0"});
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(removed[0], bolt);

    // A closed manager hears nothing more; a reopened one hears every attached device again.
    keyboardManager->close();
    bed.uevent(btKeyboard, "remove");
    bed.remove(btKeyboard);
    expectEvents(logi, {"+/dev/hidraw2", "+/dev/hidraw0", "+/dev/hidraw1", "+/dev/hidraw4", "-/dev/hidraw0",
                        "-/dev/hidraw2"});
    expectEvents(keyboards, {"+/dev/hidraw2", "+/dev/hidraw1"});
    keyboardManager->open();
    expectEvents(keyboards, {"+/dev/hidraw2", "+/dev/hidraw1", "+/dev/hidraw1"});
}

TEST_F(DesktopHidDevicesTest, ADevicePairedToAReceiverIsNotReportedAsADeviceOfItsOwn) {
    if (!test::runningUnderUmockdev()) return;
    Testbed bed;
    const auto receiverNode = bed.addHidraw(boltReceiver(), "hidraw0");
    // The receiver's driver gives each paired keyboard a node of its own,
    // with the keyboard's wireless product id, below the receiver.
    const Testbed::HidDevice paired{3, 0x046D, 0x408A, "Logitech MX Keys", kBluetoothKeyboardDescriptor, "", ""};
    const std::string below = Testbed::hidOf(receiverNode);
    bed.addHidraw(paired, "hidraw1", below);
    std::vector<std::string> events;
    auto m = manager({}, events);
    m->open();
    expectEvents(events, {"+/dev/hidraw0"});
    // One paired later is not reported either; a receiver plugged in after it is.
    bed.uevent(bed.addHidraw(paired, "hidraw2", below), "add");
    bed.uevent(bed.addHidraw(boltReceiver(), "hidraw3"), "add");
    expectEvents(events, {"+/dev/hidraw0", "+/dev/hidraw3"});
}

TEST_F(DesktopHidDevicesTest, AManagerOpenedAmidHotPlugReportsEachDeviceOnceAndNoUnreportedRemoval) {
    if (!test::runningUnderUmockdev()) return;
    Testbed bed;
    const auto first = bed.addHidraw(boltReceiver(), "hidraw0");
    std::vector<std::string> a, b;
    auto managerA = manager({}, a);
    auto managerB = manager({}, b);
    managerA->setMatchedHandler([&](const HidDeviceRef& d) {
        a.push_back(marked('+', d));
        if (node(d) == "/dev/hidraw1") managerB->open();
    });
    managerA->open();
    expectEvents(a, {"+/dev/hidraw0"});

    // One batch of events: B opens on the first arrival; the second arrival
    // and a removal come before B's first report.
    const auto second = bed.addHidraw(boltReceiver(), "hidraw1");
    const auto third = bed.addHidraw(boltReceiver(), "hidraw2");
    bed.uevent(second, "add");
    bed.uevent(third, "add");
    bed.uevent(first, "remove");
    bed.remove(first);
    expectEvents(a, {"+/dev/hidraw0", "+/dev/hidraw1", "+/dev/hidraw2", "-/dev/hidraw0"});
    expectEvents(b, {"+/dev/hidraw1", "+/dev/hidraw2"});

    // After its first report B follows arrivals and removals as usual.
    bed.uevent(third, "remove");
    bed.remove(third);
    expectEvents(b, {"+/dev/hidraw1", "+/dev/hidraw2", "-/dev/hidraw2"});
}

TEST_F(DesktopHidDevicesTest, ARequestReadsBackItsReplyThroughTheReaderThread) {
    if (!test::runningUnderUmockdev()) return;
    Testbed bed;
    bed.addHidraw(boltReceiver(), "hidraw0");
    auto m = openReceiver();
    ASSERT_TRUE(receiver);
    const int end = bed.deviceEnd("/dev/hidraw0");
    ASSERT_GE(end, 0);

    struct Got {
        std::uint32_t reportId;
        Bytes report;
        std::thread::id thread;
    };
    std::vector<Got> got;
    receiver->setInputReportHandler([&](const HidDeviceRef& sender, std::uint32_t id, const std::uint8_t* r,
                                        std::size_t n) {
        EXPECT_EQ(sender, receiver);
        got.push_back({id, Bytes(r, r + n), std::this_thread::get_id()});
    });
    ASSERT_TRUE(receiver->open());
    EXPECT_TRUE(receiver->open());  // already open

    const Bytes readFlags = {0x10, 0xFF, 0x81, 0x00, 0x00, 0x00, 0x00};
    ASSERT_TRUE(receiver->setOutputReport(0x10, readFlags.data(), readFlags.size()));
    EXPECT_EQ(readRequest(end, 7), readFlags);
    const Bytes answer = {0x10, 0xFF, 0x81, 0x00, 0x00, 0x09, 0x00};
    ASSERT_EQ(::write(end, answer.data(), answer.size()), 7);
    spinUntil([&] { return !got.empty(); }, 5000);

    Bytes nameRead = {0x10, 0xFF, 0x83, 0xB5, 0x61, 0x01, 0x00};
    ASSERT_TRUE(receiver->setOutputReport(0x10, nameRead.data(), nameRead.size()));
    EXPECT_EQ(readRequest(end, 7), nameRead);
    Bytes longAnswer(20, 0);
    longAnswer[0] = 0x11;
    longAnswer[1] = 0xFF;
    longAnswer[2] = 0x83;
    longAnswer[3] = 0xB5;
    longAnswer[4] = 0x61;
    ASSERT_EQ(::write(end, longAnswer.data(), longAnswer.size()), 20);
    spinUntil([&] { return got.size() >= 2; }, 5000);
    spinUntil([] { return false; }, 100);

    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].reportId, 0x10u);
    EXPECT_EQ(got[0].report, answer);
    EXPECT_EQ(got[1].reportId, 0x11u);
    EXPECT_EQ(got[1].report, longAnswer);
    for (const auto& g : got) EXPECT_EQ(g.thread, std::this_thread::get_id());

    // Closed: nothing is written, and what the device still sends is dropped.
    receiver->close();
    EXPECT_FALSE(receiver->setOutputReport(0x10, readFlags.data(), readFlags.size()));
    ASSERT_EQ(::write(end, answer.data(), answer.size()), 7);
    spinUntil([] { return false; }, 100);
    EXPECT_EQ(got.size(), 2u);
    EXPECT_TRUE(log.empty());
}

TEST_F(DesktopHidDevicesTest, ANodeThatStartsFailingIsDroppedAndFoundAgain) {
    if (!test::runningUnderUmockdev()) return;
    Testbed bed;
    bed.addHidraw(boltReceiver(), "hidraw0");
    const std::string link = bed.root() + "/dev/hidraw0";
    auto first = std::make_unique<OwnPty>(link);
    ASSERT_GE(first->master, 0);
    std::vector<std::string> events;
    std::vector<HidDeviceRef> seen;
    auto m = manager({}, events);
    m->setMatchedHandler([&](const HidDeviceRef& d) {
        events.push_back(marked('+', d));
        seen.push_back(d);
        d->open();
    });
    m->open();
    expectEvents(events, {"+/dev/hidraw0"});

    // Reads start failing with EIO; udev hears nothing. The next open finds a
    // working node.
    OwnPty second(link);
    ASSERT_GE(second.master, 0);
    first->hangUp();
    expectEvents(events, {"+/dev/hidraw0", "-/dev/hidraw0", "+/dev/hidraw0"});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(seen[0], seen[1]);
    const Bytes r = {0x10, 0xFF, 0x81, 0x00, 0x00, 0x00, 0x00};
    EXPECT_FALSE(seen[0]->setOutputReport(0x10, r.data(), r.size()));
    ASSERT_TRUE(seen[1]->setOutputReport(0x10, r.data(), r.size()));
    EXPECT_EQ(readRequest(second.master, 7), r);
    EXPECT_TRUE(log.empty());
}

TEST_F(DesktopHidDevicesTest, WithoutHidrawNodesTheLogSaysSoOnce) {
    if (!test::runningUnderUmockdev()) return;
    Testbed bed;
    std::vector<std::string> events;
    auto a = manager({}, events);
    auto b = manager({}, events);
    a->open();
    b->open();
    a->open();
    spinUntil([] { return false; }, 100);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(log, std::vector<std::string>{
                       "corvadine: no /dev/hidraw* nodes exist; Logitech receivers and keyboards will not be found"});
}

TEST_F(DesktopHidDevicesTest, ANodeThatCannotBeOpenedIsReportedOnce) {
    if (!test::runningUnderUmockdev()) return;
    Testbed bed;
    const auto path = bed.addHidraw(boltReceiver(), "hidraw0");
    auto m = openReceiver();
    ASSERT_TRUE(receiver);
    EXPECT_TRUE(log.empty());
    // The node vanishes without udev noticing.
    ASSERT_EQ(::unlink((bed.root() + "/dev/hidraw0").c_str()), 0);
    EXPECT_FALSE(receiver->open());
    EXPECT_FALSE(receiver->open());
    const Bytes r = {0x10, 0xFF, 0x81, 0x00, 0x00, 0x00, 0x00};
    EXPECT_FALSE(receiver->setOutputReport(0x10, r.data(), r.size()));
    EXPECT_EQ(log, std::vector<std::string>{"corvadine: cannot open /dev/hidraw0: No such file or directory"});
}

} // namespace
} // namespace corv::desktop
