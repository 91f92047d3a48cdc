// With no session bus, nothing in the process starts one, and the programs it
// starts see the environment as it was.

#include "platform/desktop/apps/DesktopProcesses.h"
#include "platform/desktop/shell/DesktopAudioInput.h"
#include "platform/desktop/shell/SessionBusAddress.h"

#include "support/PrivateBus.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace corv::desktop {
namespace {

TEST(SessionBusAddress, WithoutABusNoneIsStartedAndStartedProgramsSeeNoChange) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ::setenv("XDG_RUNTIME_DIR", dir.path().toUtf8().constData(), 1);
    DesktopProcesses processes;
    auto seen = [&] {
        std::optional<Bytes> said;
        processes.run("/bin/sh", {"-c", "echo \"[${DBUS_SESSION_BUS_ADDRESS-unset}]\""},
                      [&](std::optional<Bytes> out) { said = out.value_or(Bytes{}); });
        EXPECT_TRUE(test::spinUntil([&] { return said.has_value(); }, 10000));
        return said ? std::string(said->begin(), said->end()) : std::string();
    };

    // An address the user set is theirs, even one that refuses every bus.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    refuseBusAutolaunch();
    EXPECT_EQ(seen(), "[disabled:]\n");

    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    refuseBusAutolaunch();
    const QDBusConnection bus = QDBusConnection::sessionBus();
    EXPECT_FALSE(bus.isConnected());
    // libdbus names its attempt to start a bus in the error.
    EXPECT_FALSE(bus.lastError().message().contains("autolaunch", Qt::CaseInsensitive))
        << bus.lastError().message().toStdString();
    EXPECT_EQ(seen(), "[unset]\n");

    // The microphone's tool too: this one is muted only with no address set.
    QFile tool(dir.filePath("wpctl"));
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
    tool.write("#!/bin/sh\n[ -z \"${DBUS_SESSION_BUS_ADDRESS+set}\" ] && echo 'Volume: 0.40 [MUTED]' "
               "|| echo 'Volume: 0.40'\n");
    tool.close();
    tool.setPermissions(tool.permissions() | QFileDevice::ExeOwner);
    DesktopAudioInput audio(dir.path());
    EXPECT_EQ(audio.booleanValue(2), true);
}

} // namespace
} // namespace corv::desktop
