// The bus probe against sockets the test makes itself: a private bus, a
// socket that never answers, and none at all.

#include "platform/desktop/shell/BusProbe.h"
#include "platform/desktop/bus/DesktopBluetooth.h"

#include "support/PrivateBus.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace corv::desktop {
namespace {

using Kind = BusSocket::Kind;

// A socket that takes connections and never says a word, like a hung bus.
struct SilentBus {
    SilentBus() { listening = server.listen(dir.filePath("bus")); }
    std::string address() const { return "unix:path=" + server.fullServerName().toStdString(); }

    QTemporaryDir dir;
    QLocalServer server;
    bool listening = false;
};

TEST(BusProbe, ParsesTheFirstUnixAddressOnly) {
    EXPECT_EQ(parseBusAddress("unix:path=/run/dbus/system_bus_socket"),
              (BusSocket{Kind::Path, "/run/dbus/system_bus_socket"}));
    EXPECT_EQ(parseBusAddress("unix:abstract=/tmp/dbus-X1,guid=0123abcd"), (BusSocket{Kind::Abstract, "/tmp/dbus-X1"}));
    EXPECT_EQ(parseBusAddress("unix:guid=0123abcd,path=/a%20b%2c"), (BusSocket{Kind::Path, "/a b,"}));
    EXPECT_EQ(parseBusAddress("unix:path=/first;unix:path=/second"), (BusSocket{Kind::Path, "/first"}));
    for (const char* other : {"", "tcp:host=localhost,port=1;unix:path=/second", "unix:", "unix:path=",
                              "unix:path=/a,abstract=b", "unix:path=/a%2", "unix:path=/a%zz", "unix:tmpdir=/tmp"})
        EXPECT_EQ(parseBusAddress(other), std::nullopt) << other;
}

TEST(BusProbe, TellsAnsweringSilentAndMissingBusesApart) {
    test::PrivateBus bus{test::PrivateBus::Kind::System};
    ASSERT_EQ(bus.error(), "");
    EXPECT_EQ(probeBus(bus.address().toStdString()), ProbeResult::Answers);

    SilentBus silent;
    ASSERT_TRUE(silent.listening);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(probeBus(silent.address()), ProbeResult::Silent);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_GE(clock.elapsed(), 900);  // it did wait for an answer

    clock.restart();
    EXPECT_EQ(probeBus("unix:path=" + silent.dir.filePath("none").toStdString()), ProbeResult::Unreachable);
    EXPECT_LT(clock.elapsed(), 500);
    EXPECT_EQ(probeBus("tcp:host=127.0.0.1,port=1"), ProbeResult::NotProbed);
}

// Restores an environment variable at the end of a test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(BusProbe, ASessionBusIsUsedOnlyWhereItsAddressExists) {
    SilentBus runtime;
    ASSERT_TRUE(runtime.listening);
    QTemporaryDir empty;
    const std::string runtimeBus = "unix:path=" + runtime.dir.filePath("bus").toStdString();
    struct Case {
        const char* address;  // DBUS_SESSION_BUS_ADDRESS, null when unset
        const QTemporaryDir* runtimeDir;
        std::string resolved;
    };
    const std::vector<Case> cases{
        {"unix:path=/given", &runtime.dir, "unix:path=/given"},
        {nullptr, &runtime.dir, runtimeBus},
        {"", &runtime.dir, runtimeBus},
        {nullptr, &empty, ""},
        // What refuseBusAutolaunch() leaves counts as no bus.
        {"disabled:", &runtime.dir, ""},
    };
    for (const auto& c : cases) {
        ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", c.address);
        const std::string dir = c.runtimeDir->path().toStdString();
        ScopedEnv runtimeDir("XDG_RUNTIME_DIR", dir.c_str());
        EXPECT_EQ(resolveBusAddress({}, BusKind::Session), c.resolved) << (c.address ? c.address : "unset");
        if (c.resolved.empty()) {
            EXPECT_FALSE(busUsable({}, BusKind::Session));
        }
    }
}

TEST(BusProbe, BluetoothGoesOnWithoutASilentBus) {
    SilentBus silent;
    ASSERT_TRUE(silent.listening);
    DesktopBluetooth bluetooth(QString::fromStdString(silent.address()));
    std::vector<platform::BluetoothState> seen;
    QElapsedTimer clock;
    clock.start();
    bluetooth.start([&](platform::BluetoothState s) { seen.push_back(s); });
    EXPECT_LT(clock.elapsed(), 3000);
    test::spinUntil([&] { return !seen.empty(); });
    EXPECT_EQ(seen, std::vector<platform::BluetoothState>{platform::BluetoothState::Unsupported});
}

} // namespace
} // namespace corv::desktop
