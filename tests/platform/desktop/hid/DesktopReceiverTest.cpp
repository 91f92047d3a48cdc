// The Logitech device layer on the desktop platform, over a receiver faked
// with umockdev: discovery through udev, HID++ through the hidraw node.

#include "app/SleepWake.h"
#include "engine/KeyboardHidManager.h"
#include "logitech/DeviceDiscovery.h"
#include "logitech/Dongles.h"
#include "model/Shared.h"
#include "platform/desktop/DesktopPlatform.h"

#include "support/OpenFiles.h"
#include "support/PrivateBus.h"
#include "support/Umockdev.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace corv::desktop {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::spinUntil;

const Bytes kHidppDescriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x10, 0x75, 0x08, 0x95, 0x06,
                                0x09, 0x01, 0x81, 0x00, 0x09, 0x01, 0x91, 0x00, 0xC0, 0x09, 0x02, 0xA1, 0x01,
                                0x85, 0x11, 0x95, 0x13, 0x09, 0x02, 0x81, 0x00, 0x09, 0x02, 0x91, 0x00, 0xC0};
const Bytes kKeyboardDescriptor = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x81, 0x02, 0xC0};
// A Logitech keyboard on its own cable: its keys, and HID++ long reports.
const Bytes kDirectKeyboardDescriptor = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x05, 0x07, 0x81,
                                         0x02, 0xC0, 0x06, 0x00, 0xFF, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x11,
                                         0x95, 0x13, 0x09, 0x02, 0x81, 0x00, 0x09, 0x02, 0x91, 0x00, 0xC0};
const Bytes kReadFlags = {0x10, 0xFF, 0x81, 0x00, 0x00, 0x00, 0x00};

// Runs the event loop until the program has written `length` bytes to the
// node, or for `ms` milliseconds, and returns them.
Bytes nextRequest(int fd, std::size_t length, int ms = 5000) {
    Bytes out;
    spinUntil([&] {
        std::uint8_t buf[64];
        const ssize_t n = ::read(fd, buf, std::min(sizeof buf, length - out.size()));
        if (n > 0) out.insert(out.end(), buf, buf + n);
        return out.size() >= length;
    }, ms);
    return out;
}

TEST(DesktopReceiver, ABoltReceiverIsFoundAndItsRepliesReachTheExchange) {
    if (!test::runningUnderUmockdev()) return;
    test::Testbed bed;
    bed.addHidraw({3, 0x046D, 0xC548, "Logitech USB Receiver", kKeyboardDescriptor, "Logitech", "USB Receiver"},
                  "hidraw0");
    bed.addHidraw({3, 0x046D, 0xC548, "Logitech USB Receiver", kHidppDescriptor, "Logitech", "USB Receiver"},
                  "hidraw1");
    const int end = bed.deviceEnd("/dev/hidraw1");
    ASSERT_GE(end, 0);
    ASSERT_EQ(::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK), 0);

    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    {
        DesktopPlatform desktop({tmp.filePath("defaults.plist"), tmp.filePath("autostart")});
        resetShared();
        logitech::startLogiDeviceMonitor();
        const auto& dongles = logitech::Dongles::shared();
        spinUntil([&] { return dongles.d()[0].valid; }, 5000);
        ASSERT_TRUE(dongles.d()[0].valid);
        EXPECT_EQ(dongles.d()[0].dongleType, logitech::DongleType::Bolt);
        EXPECT_FALSE(dongles.d()[1].valid);  // the keyboard interface is not a receiver

        // The initialisation reads the notification flags; both are set, so
        // the next step announces the connected devices without writing them.
        EXPECT_EQ(nextRequest(end, 7), (Bytes{0x10, 0xFF, 0x81, 0x00, 0x00, 0x00, 0x00}));
        const Bytes flags = {0x10, 0xFF, 0x81, 0x00, 0x00, 0x09, 0x00};
        ASSERT_EQ(::write(end, flags.data(), flags.size()), 7);
        EXPECT_EQ(nextRequest(end, 7), (Bytes{0x10, 0xFF, 0x80, 0x02, 0x02, 0x00, 0x00}));
        const Bytes done = {0x10, 0xFF, 0x80, 0x02, 0x00, 0x00, 0x00};
        ASSERT_EQ(::write(end, done.data(), done.size()), 7);
        EXPECT_EQ(nextRequest(end, 7), (Bytes{0x10, 0xFF, 0x83, 0xB5, 0x61, 0x01, 0x00}));

        logitech::stopLogiDeviceMonitor();
        resetShared();
    }
}

TEST(DesktopReceiver, SleepClosesEveryNodeAndWakeOpensTheReceiverAgainFromItsFirstRequest) {
    if (!test::runningUnderUmockdev()) return;
    test::Testbed bed;
    bed.addHidraw({3, 0x046D, 0xC548, "Logitech USB Receiver", kHidppDescriptor, "Logitech", "USB Receiver"},
                  "hidraw0");
    bed.addHidraw({3, 0x046D, 0xC33F, "G815", kDirectKeyboardDescriptor, "Logitech", "G815"}, "hidraw1");
    const int end = bed.deviceEnd("/dev/hidraw0");
    ASSERT_GE(end, 0);
    ASSERT_EQ(::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK), 0);
    // What this process holds on each node besides the program's own.
    const std::string nodes[] = {bed.root() + "/dev/hidraw0", bed.root() + "/dev/hidraw1"};
    const std::size_t before[] = {test::descriptorsOn(nodes[0]).size(), test::descriptorsOn(nodes[1]).size()};
    auto openOn = [&](int i) { return test::descriptorsOn(nodes[i]).size() - before[i]; };

    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    {
        DesktopPlatform desktop({tmp.filePath("defaults.plist"), tmp.filePath("autostart")});
        resetShared();
        logitech::startLogiDeviceMonitor();
        engine::startKeyboardHidManager();
        EXPECT_EQ(nextRequest(end, 7), kReadFlags);
        // Both managers report the keyboard; the keyboard manager opened it.
        EXPECT_TRUE(spinUntil([&] { return openOn(0) == 1 && openOn(1) == 1; }, 5000));

        // A node whose thread is not yet back from a write closes when it is;
        // closing does not wait for it.
        auto allClosed = [&] { return spinUntil([&] { return openOn(0) + openOn(1) == 0; }, 5000); };
        app::onSleepNote();
        EXPECT_TRUE(allClosed()) << openOn(0) << " " << openOn(1);

        app::onWakeNote();
        // At once: the read left unanswered at sleep does not hold it back.
        EXPECT_EQ(nextRequest(end, 7, 1500), kReadFlags);
        EXPECT_EQ(openOn(0), 1u);
        EXPECT_TRUE(spinUntil([&] { return openOn(1) == 1; }, 5000));

        engine::stopKeyboardHidManager();
        logitech::stopLogiDeviceMonitor();
        EXPECT_TRUE(allClosed()) << openOn(0) << " " << openOn(1);
        resetShared();
    }
}

} // namespace
} // namespace corv::desktop
