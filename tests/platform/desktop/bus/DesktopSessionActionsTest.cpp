#include "engine/LiveTaps.h"
#include "model/ActionTable.h"
#include "model/Apps.h"
#include "model/Shared.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/desktop/shell/DesktopAudioInput.h"
#include "platform/desktop/bus/DesktopLoginWindow.h"
#include "platform/desktop/bus/DesktopScreenLock.h"
#include "support/PrivateBus.h"
#include "support/UmockdevInput.h"

#include <QDBusArgument>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace corv::desktop {
namespace {

using test::PrivateBus;
using test::spinUntil;

const QString kLogind = "org.freedesktop.login1";
const QString kManagerPath = "/org/freedesktop/login1";

// The calls a mock received, each as "Method(argument, ...)".
std::vector<std::string> mockCalls(PrivateBus& bus, const QString& service = kLogind,
                                   const QString& path = kManagerPath) {
    std::vector<std::string> out;
    const QDBusMessage reply = bus.mock(service, path, "GetCalls");
    if (reply.arguments().isEmpty()) return out;
    const QDBusArgument calls = reply.arguments().front().value<QDBusArgument>();
    calls.beginArray();
    while (!calls.atEnd()) {
        qulonglong when = 0;
        QString method;
        QVariantList args;
        calls.beginStructure();
        calls >> when >> method >> args;
        calls.endStructure();
        QStringList text;
        for (const QVariant& arg : args) text << arg.toString();
        out.push_back((method + "(" + text.join(", ") + ")").toStdString());
    }
    calls.endArray();
    return out;
}

TEST(DesktopSessionActions, SleepLogOutAndLockCallLogindOnceForThisSession) {
    PrivateBus bus(PrivateBus::Kind::System);
    ASSERT_TRUE(bus.error().empty()) << bus.error();
    ASSERT_TRUE(bus.startTemplate("logind", kLogind)) << bus.error();
    qputenv("XDG_SESSION_ID", "c7");
    // No session bus, so no session manager: logind ends the session.
    DesktopLoginWindow loginWindow(bus.address(), "unix:path=/nonexistent/corv-session-bus");
    DesktopScreenLock screenLock(bus.address());
    struct Row {
        std::function<void()> act;
        std::string expected;
    };
    const std::vector<Row> rows{
        {[&] { EXPECT_EQ(loginWindow.sendCoreEvent(platform::fourCharCode("slep")), 0); }, "Suspend(true)"},
        {[&] { EXPECT_EQ(loginWindow.sendCoreEvent(platform::fourCharCode("rlgo")), 0); }, "TerminateSession(c7)"},
        {[&] { EXPECT_TRUE(screenLock.lockNow()); }, "LockSession(c7)"},
    };
    std::vector<std::string> expected;
    for (const Row& row : rows) {
        row.act();
        expected.push_back(row.expected);
        EXPECT_TRUE(spinUntil([&] { return mockCalls(bus).size() >= expected.size(); }));
    }
    // Other events go nowhere.
    EXPECT_NE(loginWindow.sendCoreEvent(platform::fourCharCode("rrst")), 0);
    spinUntil([] { return false; }, 200);
    EXPECT_EQ(mockCalls(bus), expected);

    // Without the variable the session comes from logind.
    qunsetenv("XDG_SESSION_ID");
    bus.mock(kLogind, kManagerPath, "ClearCalls");
    bus.mock(kLogind, kManagerPath, "AddSession", {"auto", "seat0", 1000u, "ann", true});
    EXPECT_TRUE(screenLock.lockNow());
    EXPECT_TRUE(spinUntil([&] {
        const auto calls = mockCalls(bus);
        return !calls.empty() && calls.back().starts_with("LockSession");
    }));
    EXPECT_EQ(mockCalls(bus).back(), "LockSession(auto)");
}

// Keys bound to Sleep and Logout, typed on a keyboard faked with umockdev:
// sleep may ask for a password; log-out goes to the one session manager on
// the session bus, and to logind only when there is none.
TEST(DesktopSessionKeys, SleepIsInteractiveAndLogOutAsksTheSessionManager) {
    if (!test::runningUnderUmockdev()) return;
    PrivateBus system(PrivateBus::Kind::System), session(PrivateBus::Kind::Session);
    ASSERT_TRUE(system.startTemplate("logind", kLogind)) << system.error();
    qputenv("XDG_SESSION_ID", "c7");
    test::Testbed bed;
    test::InputTestbed input{bed};
    const std::string keyboard = input.addDevice(test::fakeKeyboard());
    QTemporaryDir tmp;
    DesktopLocations where{tmp.filePath("defaults.plist"), tmp.filePath("autostart")};
    where.input.stallBound = test::kQuietStallBound;
    where.input.verdictBound = test::kQuietVerdictBound;
    where.systemBusAddress = system.address();
    where.sessionBusAddress = session.address();
    auto desktop = std::make_unique<DesktopPlatform>(where);
    resetShared();
    constexpr std::uint16_t kVkS = 1, kVkD = 2;
    Apps::shared().a.modify([](AppEntries& entries) {
        entries[""].key[kVkS][0] = BindAction::forAction(ActionId::Sleep);
        entries[""].key[kVkD][0] = BindAction::forAction(ActionId::Logout);
    });
    engine::startEngineTaps();
    ASSERT_TRUE(spinUntil([&] { return input.grabbed(keyboard); }, 5000));
    const auto type = [&](std::uint16_t code) {
        for (int value : {1, 0}) input.send(keyboard, {{EV_MSC, MSC_SCAN, code}, test::keyEvent(code, value)});
    };
    type(KEY_S);
    EXPECT_TRUE(spinUntil([&] { return !mockCalls(system).empty(); }));
    EXPECT_EQ(mockCalls(system), std::vector<std::string>{"Suspend(true)"});

    struct Manager {
        QString service, path, interface, method, signature;
    };
    const Manager gnome{"org.gnome.SessionManager", "/org/gnome/SessionManager", "org.gnome.SessionManager",
                        "Logout", "u"},
        plasma{"org.kde.Shutdown", "/Shutdown", "org.kde.Shutdown", "logout", ""},
        ksmserver{"org.kde.ksmserver", "/KSMServer", "org.kde.KSMServerInterface", "logout", "iii"},
        xfce{"org.xfce.SessionManager", "/org/xfce/SessionManager", "org.xfce.Session.Manager", "Logout", "bb"};
    struct Row {
        std::vector<const Manager*> present;  // the first is the one asked
        std::string call;
    };
    const std::vector<Row> rows{
        {{&gnome, &xfce}, "Logout(1)"},            // no confirmation
        {{&plasma, &ksmserver}, "logout()"},       // newer Plasma keeps the old service too
        {{&ksmserver}, "logout(0, 0, 0)"},         // confirm no, log out
        {{&xfce}, "Logout(false, true)"},          // no dialog, applications may save
        {{}, "TerminateSession(c7)"},              // none: logind ends the session
    };
    for (const Row& row : rows) {
        system.mock(kLogind, kManagerPath, "ClearCalls");
        for (const Manager* m : row.present) {
            ASSERT_TRUE(session.startObject(m->service, m->path, m->interface)) << session.error();
            session.mock(m->service, m->path, "AddMethod", {m->interface, m->method, m->signature, "", ""});
        }
        const auto asked = [&](const Manager* m) {
            return m ? mockCalls(session, m->service, m->path) : mockCalls(system);
        };
        const Manager* first = row.present.empty() ? nullptr : row.present.front();
        type(KEY_D);
        EXPECT_TRUE(spinUntil([&] { return !asked(first).empty(); })) << row.call;
        spinUntil([] { return false; }, 200);
        EXPECT_EQ(asked(first), std::vector<std::string>{row.call});
        for (const Manager* m : row.present) {
            EXPECT_TRUE(m == first || asked(m).empty()) << m->service.toStdString() << " asked too";
            EXPECT_TRUE(session.stopTemplate(m->service));
        }
        EXPECT_TRUE(!first || mockCalls(system).empty()) << "the session was ended under " << row.call;
    }
    engine::stopEngineTaps();
    resetShared();
    desktop.reset();
    qunsetenv("XDG_SESSION_ID");
}

// A fake wpctl or pactl keeping the mute state in a file.
void writeTool(const QString& dir, const QString& name) {
    const QString state = dir + "/muted";
    // The getter, what it says muted and not, and the setter.
    const bool wp = name == "wpctl";
    const QString get = wp ? "get-volume @DEFAULT_AUDIO_SOURCE@" : "get-source-mute @DEFAULT_SOURCE@";
    const QString set = wp ? "set-mute @DEFAULT_AUDIO_SOURCE@" : "set-source-mute @DEFAULT_SOURCE@";
    const QString muted = wp ? "Volume: 0.40 [MUTED]" : "Mute: yes", unmuted = wp ? "Volume: 0.40" : "Mute: no";
    const QString script = "#!/bin/sh\ncase \"$1 $2\" in\n '" + get + "') if [ -e " + state + " ]; then echo '" + muted +
                           "'; else echo '" + unmuted + "'; fi;;\n '" + set + "') if [ \"$3\" = 1 ]; then touch " + state +
                           "; else rm -f " + state + "; fi;;\n *) exit 1;;\nesac\n";
    QFile file(dir + "/" + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(script.toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(DesktopAudioInput, MuteOfTheDefaultSourceTogglesThroughEitherTool) {
    for (const QString tool : {"wpctl", "pactl"}) {
        QTemporaryDir dir;
        writeTool(dir.path(), tool);
        DesktopAudioInput audio(dir.path());
        const auto device = audio.defaultInputDevice();
        ASSERT_TRUE(device) << tool.toStdString();
        const auto controls = audio.controls(*device);
        ASSERT_TRUE(controls && controls->size() == 1);
        const auto mute = controls->front();
        EXPECT_EQ(mute.classId, platform::fourCharCode("mute"));
        EXPECT_EQ(mute.scope, platform::fourCharCode("inpt"));
        for (bool value : {true, false, true}) {
            EXPECT_TRUE(audio.setBooleanValue(mute.id, value));
            EXPECT_EQ(audio.booleanValue(mute.id), value) << tool.toStdString();
            EXPECT_EQ(QFile::exists(dir.path() + "/muted"), value);
        }
    }
    // Neither tool installed: no device.
    QTemporaryDir empty;
    EXPECT_FALSE(DesktopAudioInput(empty.path()).defaultInputDevice());
}

} // namespace
} // namespace corv::desktop
