// With no session bus, nothing in the process starts one, and the programs it
// starts see the environment as it was.

#include "platform/desktop/apps/DesktopProcesses.h"
#include "platform/desktop/shell/SessionBusAddress.h"

#include "support/PrivateBus.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace corv::desktop {
namespace {

TEST(SessionBusAddress, WithoutABusNoneIsStartedAndStartedProgramsSeeNoChange) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    ::setenv("XDG_RUNTIME_DIR", dir.path().toUtf8().constData(), 1);

    refuseBusAutolaunch();
    const QDBusConnection bus = QDBusConnection::sessionBus();
    EXPECT_FALSE(bus.isConnected());
    // libdbus names its attempt to start a bus in the error.
    EXPECT_FALSE(bus.lastError().message().contains("autolaunch", Qt::CaseInsensitive))
        << bus.lastError().message().toStdString();

    DesktopProcesses processes;
    std::optional<Bytes> said;
    processes.run("/bin/sh", {"-c", "echo \"[${DBUS_SESSION_BUS_ADDRESS-unset}]\""},
                  [&](std::optional<Bytes> out) { said = out.value_or(Bytes{}); });
    ASSERT_TRUE(test::spinUntil([&] { return said.has_value(); }, 10000));
    EXPECT_EQ(std::string(said->begin(), said->end()), "[unset]\n");
}

} // namespace
} // namespace corv::desktop
