#include "engine/ActionExecutor.h"
#include "engine/LiveTaps.h"
#include "model/ActionTable.h"
#include "model/Apps.h"
#include "model/Shared.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/desktop/shell/DesktopAudioInput.h"
#include "platform/desktop/bus/DesktopLoginWindow.h"
#include "platform/desktop/bus/DesktopScreenLock.h"
#include "platform/sim/SimPlatform.h"
#include "support/UmockdevInput.h"

#include <QDBusArgument>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace corv::desktop {
namespace {

using test::keyEvent;
using test::PrivateBus;
using test::spinUntil;

constexpr std::uint16_t kVkS = 1, kVkD = 2;

const QString kLogind = "org.freedesktop.login1";
const QString kManagerPath = "/org/freedesktop/login1";

// One call a mock received, as "Method(argument, ...)".
using Call = std::string;

std::vector<Call> mockCalls(PrivateBus& bus, const QString& service, const QString& path) {
    std::vector<Call> out;
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

std::vector<Call> logindCalls(PrivateBus& bus) { return mockCalls(bus, kLogind, kManagerPath); }

// The session actions pressed as a binding presses them: through the action
// executor, with the desktop's login window and screen lock on private buses.
class DesktopSessionActions : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(system.error().empty()) << system.error();
        ASSERT_TRUE(session.error().empty()) << session.error();
        ASSERT_TRUE(system.startTemplate("logind", kLogind)) << system.error();
        qputenv("XDG_SESSION_ID", "c7");
        resetShared();
        sim = std::make_unique<sim::SimPlatform>();
        loginWindow = std::make_unique<DesktopLoginWindow>(system.address(), session.address());
        screenLock = std::make_unique<DesktopScreenLock>(system.address());
        platform::Services s = platform::installedServices();
        s.loginWindow = loginWindow.get();
        s.screenLock = screenLock.get();
        platform::install(s);
    }
    void TearDown() override {
        resetShared();
        sim.reset();
        qunsetenv("XDG_SESSION_ID");
    }

    static void press(std::int64_t action) { engine::performAction(action, false, 0, std::nullopt); }

    PrivateBus system{PrivateBus::Kind::System};
    PrivateBus session{PrivateBus::Kind::Session};
    std::unique_ptr<sim::SimPlatform> sim;
    std::unique_ptr<DesktopLoginWindow> loginWindow;
    std::unique_ptr<DesktopScreenLock> screenLock;
};

TEST_F(DesktopSessionActions, SleepLogOutAndLockCallLogindOnceForThisSession) {
    // No session manager on the session bus: log-out ends the session.
    const std::vector<std::pair<std::int64_t, Call>> rows{
        {ActionId::Sleep, "Suspend(true)"},  // interactive: polkit may ask
        {ActionId::Logout, "TerminateSession(c7)"},
        {ActionId::LockScreen, "LockSession(c7)"},
    };
    std::vector<Call> expected;
    for (const auto& [action, call] : rows) {
        press(action);
        expected.push_back(call);
        EXPECT_TRUE(spinUntil([&] { return logindCalls(system).size() >= expected.size(); }));
    }
    // Other events go nowhere.
    EXPECT_NE(loginWindow->sendCoreEvent(platform::fourCharCode("rrst")), 0);
    spinUntil([] { return false; }, 200);
    EXPECT_EQ(logindCalls(system), expected);

    // Without the variable the session comes from logind.
    qunsetenv("XDG_SESSION_ID");
    system.mock(kLogind, kManagerPath, "ClearCalls");
    system.mock(kLogind, kManagerPath, "AddSession", {"auto", "seat0", 1000u, "ann", true});
    press(ActionId::LockScreen);
    EXPECT_TRUE(spinUntil([&] {
        const auto calls = logindCalls(system);
        return !calls.empty() && calls.back().rfind("LockSession", 0) == 0;
    }));
    EXPECT_EQ(logindCalls(system).back(), "LockSession(auto)");

    // No session bus at all: logind ends the session.
    qputenv("XDG_SESSION_ID", "c7");
    system.mock(kLogind, kManagerPath, "ClearCalls");
    loginWindow = std::make_unique<DesktopLoginWindow>(system.address(), "unix:path=/nonexistent/corv-session-bus");
    platform::Services s = platform::installedServices();
    s.loginWindow = loginWindow.get();
    platform::install(s);
    press(ActionId::Logout);
    EXPECT_TRUE(spinUntil([&] { return !logindCalls(system).empty(); }));
    EXPECT_EQ(logindCalls(system), std::vector<Call>{"TerminateSession(c7)"});
}

struct ManagerMock {
    QString service, path, interface, method, signature;
};

const ManagerMock kGnome{"org.gnome.SessionManager", "/org/gnome/SessionManager", "org.gnome.SessionManager",
                         "Logout", "u"};
const ManagerMock kPlasma{"org.kde.Shutdown", "/Shutdown", "org.kde.Shutdown", "logout", ""};
const ManagerMock kKsmserver{"org.kde.ksmserver", "/KSMServer", "org.kde.KSMServerInterface", "logout", "iii"};
const ManagerMock kXfce{"org.xfce.SessionManager", "/org/xfce/SessionManager", "org.xfce.Session.Manager", "Logout",
                        "bb"};

TEST_F(DesktopSessionActions, LogOutAsksTheSessionManagerOnTheBusWithoutADialog) {
    struct Row {
        std::vector<ManagerMock> present;
        const ManagerMock* asked;
        Call call;
    };
    const std::vector<Row> rows{
        {{kGnome}, &kGnome, "Logout(1)"},  // no confirmation
        {{kPlasma}, &kPlasma, "logout()"},
        {{kKsmserver}, &kKsmserver, "logout(0, 0, 0)"},  // confirm no, log out
        {{kXfce}, &kXfce, "Logout(false, true)"},        // no dialog, applications may save
        // Newer Plasma keeps the old service too: the new one is asked.
        {{kKsmserver, kPlasma}, &kPlasma, "logout()"},
        // One manager is asked, never two.
        {{kXfce, kGnome}, &kGnome, "Logout(1)"},
    };
    for (const Row& row : rows) {
        for (const ManagerMock& m : row.present) {
            ASSERT_TRUE(session.startObject(m.service, m.path, m.interface)) << session.error();
            session.mock(m.service, m.path, "AddMethod", {m.interface, m.method, m.signature, "", ""});
        }
        const QString what = row.asked->service;
        press(ActionId::Logout);
        EXPECT_TRUE(spinUntil([&] { return !mockCalls(session, row.asked->service, row.asked->path).empty(); }))
            << what.toStdString();
        spinUntil([] { return false; }, 200);
        for (const ManagerMock& m : row.present) {
            const auto calls = mockCalls(session, m.service, m.path);
            if (m.service == row.asked->service)
                EXPECT_EQ(calls, std::vector<Call>{row.call});
            else
                EXPECT_TRUE(calls.empty()) << m.service.toStdString() << " asked besides " << what.toStdString();
        }
        // The session is left to its manager.
        EXPECT_TRUE(logindCalls(system).empty()) << what.toStdString();
        for (const ManagerMock& m : row.present) EXPECT_TRUE(session.stopTemplate(m.service));
    }
}

// The same pressed on a keyboard faked with umockdev.
TEST(DesktopSessionKeys, BoundKeysSleepThroughLogindAndLogOutThroughTheSessionManager) {
    if (!test::runningUnderUmockdev()) return;
    PrivateBus system(PrivateBus::Kind::System);
    PrivateBus session(PrivateBus::Kind::Session);
    ASSERT_TRUE(system.startTemplate("logind", kLogind)) << system.error();
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
    type(KEY_S);
    EXPECT_TRUE(spinUntil([&] { return !logindCalls(system).empty(); }));
    type(KEY_D);
    EXPECT_TRUE(spinUntil([&] { return !mockCalls(session, xfce, xfcePath).empty(); }));
    spinUntil([] { return false; }, 200);
    // Sleep may ask for a password; log-out lets applications save, and the
    // session is not ended under them.
    EXPECT_EQ(logindCalls(system), (std::vector<std::string>{"Suspend(true)"}));
    EXPECT_EQ(mockCalls(session, xfce, xfcePath), (std::vector<std::string>{"Logout(false, true)"}));

    engine::stopEngineTaps();
    resetShared();
    desktop.reset();
    qunsetenv("XDG_SESSION_ID");
}

// A fake wpctl or pactl keeping the mute state in a file.
void writeTool(const QString& dir, const QString& name) {
    const QString state = dir + "/muted";
    QString script = "#!/bin/sh\n";
    if (name == "wpctl")
        script += "case \"$1 $2\" in\n"
                  " 'get-volume @DEFAULT_AUDIO_SOURCE@') if [ -e " + state + " ]; then echo 'Volume: 0.40 [MUTED]';"
                  " else echo 'Volume: 0.40'; fi;;\n"
                  " 'set-mute @DEFAULT_AUDIO_SOURCE@') if [ \"$3\" = 1 ]; then touch " + state + "; else rm -f " +
                  state + "; fi;;\n *) exit 1;;\nesac\n";
    else
        script += "case \"$1 $2\" in\n"
                  " 'get-source-mute @DEFAULT_SOURCE@') if [ -e " + state + " ]; then echo 'Mute: yes';"
                  " else echo 'Mute: no'; fi;;\n"
                  " 'set-source-mute @DEFAULT_SOURCE@') if [ \"$3\" = 1 ]; then touch " + state + "; else rm -f " +
                  state + "; fi;;\n *) exit 1;;\nesac\n";
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
