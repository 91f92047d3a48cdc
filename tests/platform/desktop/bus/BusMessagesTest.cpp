// Malformed and wrongly typed messages from logind and BlueZ, sent by python3-dbusmock on a private bus: each is
// ignored whole, and what the desktop object knows stays as it was.

#include "platform/desktop/bus/DesktopBluetooth.h"
#include "platform/desktop/bus/DesktopWorkspaceNotes.h"

#include "support/PrivateBus.h"

#include <QDBusMessage>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corv::desktop {
namespace {

using platform::BluetoothState;
using platform::WorkspaceNote;
using test::PrivateBus;
using test::spinUntil;

struct Bad {
    const char* signature;
    const char* args;  // a Python list
};

const QString kLogind = "org.freedesktop.login1";
const QString kManager = "/org/freedesktop/login1";
const QString kSessionPath = "/org/freedesktop/login1/session/auto";

TEST(BusMessages, LogindSleepAndSessionNoticesOfAnotherShapeAreIgnored) {
    PrivateBus bus{PrivateBus::Kind::System};
    ASSERT_TRUE(bus.startTemplate("logind", kLogind)) << bus.error();
    const auto session =
        bus.mock(kLogind, kManager, "AddSession", {"auto", "seat0", QVariant::fromValue(quint32(1000)), "u", true});
    ASSERT_NE(session.type(), QDBusMessage::ErrorMessage);
    const auto sendSignal = [&](const QString& path, const QString& iface, const QString& name, const Bad& b) {
        ASSERT_EQ(bus.emitAny(kLogind, kManager, path, iface, name, b.signature, b.args), "");
    };
    const auto sleepSignal = [&](const Bad& b) { sendSignal(kManager, kLogind + ".Manager", "PrepareForSleep", b); };

    DesktopWorkspaceNotes notes(bus.address());
    std::vector<WorkspaceNote> seen;
    for (auto n : {WorkspaceNote::WillSleep, WorkspaceNote::DidWake, WorkspaceNote::SessionDidBecomeActive,
                   WorkspaceNote::SessionDidResignActive})
        notes.addObserver(n, [&seen, n](const auto&) { seen.push_back(n); });
    // A well-formed session change once the session is watched.
    ASSERT_TRUE(spinUntil([&] {
        sendSignal(kSessionPath, "org.freedesktop.DBus.Properties", "PropertiesChanged",
             {"sa{sv}as", "['org.freedesktop.login1.Session', {'Active': False}, []]"});
        return spinUntil([&] { return !seen.empty(); }, 300);
    }));
    ASSERT_EQ(seen.front(), WorkspaceNote::SessionDidResignActive);
    seen.clear();

    const Bad sleeps[] = {{"ab", "[[True]]"},       {"ai", "[[1]]"},  {"(b)", "[(True,)]"},
                          {"a{sb}", "[{'a': True}]"}, {"bb", "[True, True]"}, {"s", "['yes']"},
                          {"i", "[1]"},             {"", "[]"}};
    const Bad sessions[] = {{"sa{sv}ai", "['org.freedesktop.login1.Session', {'Active': True}, [1]]"},
                            {"sa{ss}as", "['org.freedesktop.login1.Session', {'Active': 'yes'}, []]"},
                            {"sa{sv}as", "['org.freedesktop.login1.Session', {'Active': 'yes'}, []]"},
                            {"sa{sv}as", "['org.freedesktop.login1.Session', {'Active': 1}, []]"},
                            {"s", "['org.freedesktop.login1.Session']"}};
    const auto expectOnlyTheWakeAfter = [&](auto send) {
        send();
        // Signals from one sender arrive in order: a good wake after the bad one.
        sleepSignal({"b", "[False]"});
        ASSERT_TRUE(spinUntil([&] { return !seen.empty(); }));
        EXPECT_EQ(seen, std::vector<WorkspaceNote>{WorkspaceNote::DidWake});
        seen.clear();
    };
    for (const Bad& b : sleeps) {
        SCOPED_TRACE(b.signature);
        expectOnlyTheWakeAfter([&] { sleepSignal(b); });
    }
    for (const Bad& b : sessions) {
        SCOPED_TRACE(b.signature);
        expectOnlyTheWakeAfter(
            [&] { sendSignal(kSessionPath, "org.freedesktop.DBus.Properties", "PropertiesChanged", b); });
    }
    sleepSignal({"b", "[True]"});
    ASSERT_TRUE(spinUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen, std::vector<WorkspaceNote>{WorkspaceNote::WillSleep});
}

const QString kBluez = "org.bluez";
const QString kObjectManager = "org.freedesktop.DBus.ObjectManager";

TEST(BusMessages, BluezListingsSignalsAndValuesOfAnotherTypeLeaveTheRadioAsItWas) {
    PrivateBus bus{PrivateBus::Kind::System};
    ASSERT_TRUE(bus.startObject(kBluez, "/", kObjectManager)) << bus.error();
    const auto listing = [&](const Bad& b) {
        const auto reply = bus.mock(kBluez, "/", "AddMethod",
                                    {kObjectManager, "GetManagedObjects", "", b.signature, QString("ret = ") + b.args});
        ASSERT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    };
    const auto sendSignal = [&](const QString& path, const QString& iface, const QString& name, const Bad& b) {
        ASSERT_EQ(bus.emitAny(kBluez, "/", path, iface, name, b.signature, b.args), "");
    };
    const auto added = [&](const Bad& b) { sendSignal("/", kObjectManager, "InterfacesAdded", b); };
    const auto changed = [&](const Bad& b) {
        sendSignal("/org/bluez/hci0", "org.freedesktop.DBus.Properties", "PropertiesChanged", b);
    };

    listing({"a{oa{sa{sv}}}", "{'/org/bluez/hci0': {'org.bluez.Adapter1': {'Powered': False}}}"});
    DesktopBluetooth bluetooth(bus.address());
    std::vector<BluetoothState> reports;
    const auto start = [&] {
        reports.clear();
        bluetooth.start([&](BluetoothState s) { reports.push_back(s); });
        // Every start reports, the state as it stands.
        ASSERT_TRUE(spinUntil([&] { return !reports.empty(); }));
        EXPECT_EQ(reports, std::vector<BluetoothState>{BluetoothState::PoweredOff});
        reports.clear();
    };
    start();

    const Bad listings[] = {{"a{sv}", "{'Powered': True}"},
                            {"a{ov}", "{'/org/bluez/hci1': True}"},
                            {"a{oas}", "{'/org/bluez/hci1': ['org.bluez.Adapter1']}"},
                            {"a{oa{sv}}", "{'/org/bluez/hci1': {'org.bluez.Adapter1': True}}"},
                            {"a{oa{sa{ss}}}", "{'/org/bluez/hci1': {'org.bluez.Adapter1': {'Powered': 'yes'}}}"},
                            {"a{sa{sa{sv}}}", "{'/org/bluez/hci1': {'org.bluez.Adapter1': {'Powered': True}}}"},
                            {"a{oa{sa{sv}}}", "{'/org/bluez/hci0': {'org.bluez.Adapter1': {'Powered': 'yes'}}}"}};
    for (const Bad& b : listings) {
        SCOPED_TRACE(b.signature);
        listing(b);
        start();
    }
    EXPECT_EQ(bluetooth.state(), BluetoothState::PoweredOff);

    const Bad additions[] = {{"oa{sv}", "['/org/bluez/hci1', {'org.bluez.Adapter1': True}]"},
                           {"oa{ss}", "['/org/bluez/hci1', {'org.bluez.Adapter1': 'on'}]"},
                           {"oa{sa{ss}}", "['/org/bluez/hci1', {'org.bluez.Adapter1': {'Powered': 'yes'}}]"},
                           // A path sent as a plain string.
                           {"sa{sa{sv}}", "['/org/bluez/hci1', {'org.bluez.Adapter1': {'Powered': True}}]"},
                           {"oa{sa{sv}}", "['/org/bluez/hci0', {'org.bluez.Adapter1': {'Powered': 7}}]"},
                           {"oa{sa{sv}}", "['/org/bluez/hci0', {'org.bluez.Adapter1': {'Powered': 'yes'}}]"}};
    for (const Bad& b : additions) added(b);
    const Bad changes[] = {{"sa{sv}as", "['org.bluez.Adapter1', {'Powered': 'yes'}, []]"},
                           {"sa{sv}as", "['org.bluez.Adapter1', {'Powered': 7}, []]"},
                           {"sa{ss}as", "['org.bluez.Adapter1', {'Powered': 'yes'}, []]"},
                           {"sa{sv}ai", "['org.bluez.Adapter1', {'Powered': True}, [1]]"},
                           {"sa{sv}", "['org.bluez.Adapter1', {'Powered': True}]"}};
    for (const Bad& b : changes) changed(b);
    sendSignal("/", kObjectManager, "InterfacesRemoved", {"oa{sv}", "['/org/bluez/hci0', {'org.bluez.Adapter1': 1}]"});
    sendSignal("/", kObjectManager, "InterfacesRemoved", {"sas", "['/org/bluez/hci0', ['org.bluez.Adapter1']]"});
    // The well-formed change after them is heard, and nothing before it was.
    changed({"sa{sv}as", "['org.bluez.Adapter1', {'Powered': True}, []]"});
    ASSERT_TRUE(spinUntil([&] { return !reports.empty(); }));
    spinUntil([] { return false; }, 150);
    EXPECT_EQ(reports, std::vector<BluetoothState>{BluetoothState::PoweredOn});
}

} // namespace
} // namespace corv::desktop
