#include "platform/desktop/shell/DesktopAudioInput.h"
#include "platform/desktop/bus/DesktopLoginWindow.h"
#include "platform/desktop/bus/DesktopScreenLock.h"
#include "support/PrivateBus.h"

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

// The calls the logind mock received: method and first argument.
std::vector<std::pair<QString, QString>> logindCalls(PrivateBus& bus) {
    std::vector<std::pair<QString, QString>> out;
    const QDBusMessage reply = bus.mock(kLogind, kManagerPath, "GetCalls");
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
        QString first = args.isEmpty() ? QString() : args.front().toString();
        out.emplace_back(method, first);
    }
    calls.endArray();
    return out;
}

TEST(DesktopSessionActions, SleepLogOutAndLockCallLogindOnceForThisSession) {
    PrivateBus bus(PrivateBus::Kind::System);
    ASSERT_TRUE(bus.error().empty()) << bus.error();
    ASSERT_TRUE(bus.startTemplate("logind", kLogind)) << bus.error();
    qputenv("XDG_SESSION_ID", "c7");
    DesktopLoginWindow loginWindow(bus.address());
    DesktopScreenLock screenLock(bus.address());
    using Call = std::pair<QString, QString>;
    struct Row {
        std::function<void()> act;
        Call expected;
    };
    const std::vector<Row> rows{
        {[&] { EXPECT_EQ(loginWindow.sendCoreEvent(platform::fourCharCode("slep")), 0); }, {"Suspend", "false"}},
        {[&] { EXPECT_EQ(loginWindow.sendCoreEvent(platform::fourCharCode("rlgo")), 0); }, {"TerminateSession", "c7"}},
        {[&] { EXPECT_TRUE(screenLock.lockNow()); }, {"LockSession", "c7"}},
    };
    std::vector<Call> expected;
    for (const Row& row : rows) {
        row.act();
        expected.push_back(row.expected);
        EXPECT_TRUE(spinUntil([&] { return logindCalls(bus).size() >= expected.size(); }));
    }
    // Other events go nowhere.
    EXPECT_NE(loginWindow.sendCoreEvent(platform::fourCharCode("rrst")), 0);
    spinUntil([] { return false; }, 200);
    EXPECT_EQ(logindCalls(bus), expected);

    // Without the variable the session comes from logind.
    qunsetenv("XDG_SESSION_ID");
    bus.mock(kLogind, kManagerPath, "ClearCalls");
    bus.mock(kLogind, kManagerPath, "AddSession", {"auto", "seat0", 1000u, "ann", true});
    EXPECT_TRUE(screenLock.lockNow());
    EXPECT_TRUE(spinUntil([&] {
        const auto calls = logindCalls(bus);
        return !calls.empty() && calls.back().first == "LockSession";
    }));
    EXPECT_EQ(logindCalls(bus).back(), (Call{"LockSession", "auto"}));
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
