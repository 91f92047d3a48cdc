// The session actions pressed on a keyboard faked with umockdev, with logind
// and a session manager mocked on private buses.

#include "engine/LiveTaps.h"
#include "model/ActionTable.h"
#include "model/Apps.h"
#include "model/Shared.h"
#include "platform/desktop/DesktopPlatform.h"

#include "support/UmockdevInput.h"

#include <QDBusArgument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace corv::desktop {
namespace {

using test::keyEvent;
using test::PrivateBus;
using test::spinUntil;

constexpr std::uint16_t kVkS = 1, kVkD = 2;

// The calls a mock object received, as "Method(argument, ...)".
std::vector<std::string> calls(PrivateBus& bus, const QString& service, const QString& path) {
    std::vector<std::string> out;
    const QDBusMessage reply = bus.mock(service, path, "GetCalls");
    if (reply.arguments().isEmpty()) return out;
    const QDBusArgument list = reply.arguments().front().value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        qulonglong when = 0;
        QString method;
        QVariantList args;
        list.beginStructure();
        list >> when >> method >> args;
        list.endStructure();
        QStringList text;
        for (const QVariant& arg : args) text << arg.toString();
        out.push_back((method + "(" + text.join(", ") + ")").toStdString());
    }
    list.endArray();
    return out;
}

TEST(DesktopSessionKeys, BoundKeysSleepThroughLogindAndLogOutThroughTheSessionManager) {
    if (!test::runningUnderUmockdev()) return;
    PrivateBus system(PrivateBus::Kind::System);
    PrivateBus session(PrivateBus::Kind::Session);
    ASSERT_TRUE(system.startTemplate("logind", "org.freedesktop.login1")) << system.error();
    const QString xfce = "org.xfce.SessionManager", xfcePath = "/org/xfce/SessionManager";
    ASSERT_TRUE(session.startObject(xfce, xfcePath, "org.xfce.Session.Manager")) << session.error();
    session.mock(xfce, xfcePath, "AddMethod", {"org.xfce.Session.Manager", "Logout", "bb", "", ""});
    qputenv("XDG_SESSION_ID", "c7");

    test::Testbed bed;
    test::InputTestbed input{bed};
    const std::string keyboard = input.addDevice(test::fakeKeyboard());
    QTemporaryDir tmp;
    DesktopLocations where{tmp.filePath("defaults.plist"), tmp.filePath("autostart")};
    where.systemBusAddress = system.address();
    where.sessionBusAddress = session.address();
    auto desktop = std::make_unique<DesktopPlatform>(where);
    resetShared();
    Apps::shared().a.modify([](AppEntries& entries) {
        entries[""] = AnApp{};
        entries[""].key[kVkS][0] = BindAction::forAction(ActionId::Sleep);
        entries[""].key[kVkD][0] = BindAction::forAction(ActionId::Logout);
    });
    engine::startEngineTaps();
    ASSERT_TRUE(spinUntil([&] { return input.grabbed(keyboard); }, 5000));

    const auto type = [&](std::uint16_t code) {
        for (int value : {1, 0}) input.send(keyboard, {{EV_MSC, MSC_SCAN, code}, keyEvent(code, value)});
    };
    const QString logind = "org.freedesktop.login1", manager = "/org/freedesktop/login1";
    type(KEY_S);
    EXPECT_TRUE(spinUntil([&] { return !calls(system, logind, manager).empty(); }));
    type(KEY_D);
    EXPECT_TRUE(spinUntil([&] { return !calls(session, xfce, xfcePath).empty(); }));
    spinUntil([] { return false; }, 200);
    // Sleep may ask for a password; log-out lets applications save, and the
    // session is not ended under them.
    EXPECT_EQ(calls(system, logind, manager), (std::vector<std::string>{"Suspend(true)"}));
    EXPECT_EQ(calls(session, xfce, xfcePath), (std::vector<std::string>{"Logout(false, true)"}));

    engine::stopEngineTaps();
    resetShared();
    desktop.reset();
    qunsetenv("XDG_SESSION_ID");
}

} // namespace
} // namespace corv::desktop
