// BlueZ on a private system bus, played by python3-dbusmock's bluez5 template.

#include "platform/desktop/bus/DesktopBluetooth.h"

#include "support/PrivateBus.h"

#include <gtest/gtest.h>

#include <vector>

namespace corv::desktop {
namespace {

using platform::BluetoothState;
using test::PrivateBus;
using test::spinUntil;

const QString kBluez = "org.bluez";
const QString kAdapter = "org.bluez.Adapter1";

class DesktopBluetoothTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(bus.error(), "") << "the private bus is needed"; }

    void startBluez() { ASSERT_TRUE(bus.startTemplate("bluez5", kBluez)) << bus.error(); }
    void addAdapter(const QString& name) {
        auto reply = bus.call(kBluez, "/", "org.bluez.Mock", "AddAdapter", {name, "host"});
        ASSERT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    }
    void removeAdapter(const QString& name) {
        auto reply = bus.call(kBluez, "/", "org.bluez.Mock", "RemoveAdapter", {name});
        ASSERT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    }
    void setPowered(const QString& name, bool on) {
        auto reply = bus.mock(kBluez, "/org/bluez/" + name, "UpdateProperties",
                              {kAdapter, QVariantMap{{"Powered", on}}});
        ASSERT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    }

    void start() {
        bluetooth.start([this](BluetoothState s) { reports.push_back(s); });
    }
    // Waits for the reports so far to number `count`, then checks them in
    // order and that no other report follows.
    void expectReports(const std::vector<BluetoothState>& expected) {
        spinUntil([&] { return reports.size() >= expected.size(); });
        spinUntil([] { return false; }, 150);
        EXPECT_EQ(reports, expected);
        if (!expected.empty()) {
            EXPECT_EQ(bluetooth.state(), expected.back());
        }
    }

    PrivateBus bus{PrivateBus::Kind::System};
    DesktopBluetooth bluetooth{bus.address()};
    std::vector<BluetoothState> reports;
};

TEST_F(DesktopBluetoothTest, NoBluezOrNoAdapterIsUnsupported) {
    EXPECT_EQ(bluetooth.state(), BluetoothState::Unknown);
    start();
    expectReports({BluetoothState::Unsupported});

    startBluez();
    expectReports({BluetoothState::Unsupported});  // BlueZ without an adapter changes nothing
    addAdapter("hci0");
    expectReports({BluetoothState::Unsupported, BluetoothState::PoweredOn});

    // Started again, with a new handler: that one hears the state too.
    std::vector<BluetoothState> again;
    bluetooth.start([&](BluetoothState s) { again.push_back(s); });
    spinUntil([&] { return !again.empty(); });
    spinUntil([] { return false; }, 150);
    EXPECT_EQ(again, std::vector<BluetoothState>{BluetoothState::PoweredOn});
}

TEST_F(DesktopBluetoothTest, UnreachableBusIsUnsupported) {
    DesktopBluetooth nowhere("unix:path=/nonexistent/corv-test-bus");
    std::vector<BluetoothState> seen;
    nowhere.start([&](BluetoothState s) { seen.push_back(s); });
    spinUntil([&] { return !seen.empty(); });
    EXPECT_EQ(seen, std::vector<BluetoothState>{BluetoothState::Unsupported});
    nowhere.start([&](BluetoothState s) { seen.push_back(s); });
    spinUntil([&] { return seen.size() >= 2; });
    EXPECT_EQ(seen, (std::vector<BluetoothState>{BluetoothState::Unsupported, BluetoothState::Unsupported}));
}

TEST_F(DesktopBluetoothTest, FollowsPowerAdaptersAndTheServiceItself) {
    startBluez();
    addAdapter("hci0");
    setPowered("hci0", false);
    start();
    expectReports({BluetoothState::PoweredOff});

    setPowered("hci0", true);
    setPowered("hci0", true);  // no change, no report
    expectReports({BluetoothState::PoweredOff, BluetoothState::PoweredOn});

    // One powered adapter of two is enough.
    addAdapter("hci1");
    setPowered("hci1", false);
    expectReports({BluetoothState::PoweredOff, BluetoothState::PoweredOn});
    removeAdapter("hci0");
    expectReports({BluetoothState::PoweredOff, BluetoothState::PoweredOn, BluetoothState::PoweredOff});
    removeAdapter("hci1");
    expectReports({BluetoothState::PoweredOff, BluetoothState::PoweredOn, BluetoothState::PoweredOff,
                   BluetoothState::Unsupported});

    addAdapter("hci2");
    expectReports({BluetoothState::PoweredOff, BluetoothState::PoweredOn, BluetoothState::PoweredOff,
                   BluetoothState::Unsupported, BluetoothState::PoweredOn});
    ASSERT_TRUE(bus.stopTemplate(kBluez));
    expectReports({BluetoothState::PoweredOff, BluetoothState::PoweredOn, BluetoothState::PoweredOff,
                   BluetoothState::Unsupported, BluetoothState::PoweredOn, BluetoothState::Unsupported});
}

} // namespace
} // namespace corv::desktop
