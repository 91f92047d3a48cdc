// The bus probe against sockets the test makes itself: a private bus, a
// socket that never answers, and none at all.

#include "platform/desktop/BusProbe.h"
#include "platform/desktop/DesktopBluetooth.h"
#include "platform/desktop/DesktopUserNotifications.h"

#include "support/PrivateBus.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace corv::desktop {
namespace {

using platform::BluetoothState;
using Kind = BusSocket::Kind;

// A socket that takes connections into its backlog and never says a word,
// like a bus daemon that hangs.
class SilentSocket {
public:
    explicit SilentSocket(bool abstract = false) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un sun{};
        sun.sun_family = AF_UNIX;
        socklen_t length;
        if (abstract) {
            name_ = "corv-test-silent-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
            std::memcpy(sun.sun_path + 1, name_.data(), name_.size());
            length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name_.size());
            address_ = "unix:abstract=" + name_;
        } else {
            name_ = dir_.filePath("bus").toStdString();
            std::memcpy(sun.sun_path, name_.data(), name_.size());
            length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name_.size() + 1);
            address_ = "unix:path=" + name_;
        }
        ok_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&sun), length) == 0 && ::listen(fd_, 8) == 0;
    }
    ~SilentSocket() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return ok_; }
    const std::string& address() const { return address_; }

private:
    QTemporaryDir dir_;
    int fd_ = -1;
    bool ok_ = false;
    std::string name_;
    std::string address_;
};

// Sets an environment variable for one scope, then puts the old value back.
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

TEST(BusProbe, ParsesUnixAddressesOnly) {
    EXPECT_EQ(parseBusAddress("unix:path=/run/dbus/system_bus_socket"),
              (BusSocket{Kind::Path, "/run/dbus/system_bus_socket"}));
    EXPECT_EQ(parseBusAddress("unix:abstract=/tmp/dbus-X1,guid=0123abcd"), (BusSocket{Kind::Abstract, "/tmp/dbus-X1"}));
    EXPECT_EQ(parseBusAddress("unix:guid=0123abcd,path=/a%20b%2c"), (BusSocket{Kind::Path, "/a b,"}));
    // Only the first of several addresses counts.
    EXPECT_EQ(parseBusAddress("unix:path=/first;unix:path=/second"), (BusSocket{Kind::Path, "/first"}));
    EXPECT_EQ(parseBusAddress("tcp:host=localhost,port=1;unix:path=/second"), std::nullopt);

    for (const char* bad : {"", "unix:", "unix:path=", "unix:path=/a,abstract=b", "unix:path=/a%2", "unix:path=/a%zz",
                            "unix:tmpdir=/tmp", "unixpath=/a", "unix:path", "autolaunch:"})
        EXPECT_EQ(parseBusAddress(bad), std::nullopt) << bad;
}

TEST(BusProbe, ResolvesTheAddressAsQtDBusDoes) {
    ScopedEnv system("DBUS_SYSTEM_BUS_ADDRESS", nullptr);
    ScopedEnv session("DBUS_SESSION_BUS_ADDRESS", nullptr);
    EXPECT_EQ(resolveBusAddress({}, BusKind::System), "unix:path=/var/run/dbus/system_bus_socket");
    EXPECT_EQ(resolveBusAddress({}, BusKind::Session), "");
    {
        ScopedEnv set("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/from/env");
        ScopedEnv setSession("DBUS_SESSION_BUS_ADDRESS", "unix:abstract=session");
        EXPECT_EQ(resolveBusAddress({}, BusKind::System), "unix:path=/from/env");
        EXPECT_EQ(resolveBusAddress({}, BusKind::Session), "unix:abstract=session");
        EXPECT_EQ(resolveBusAddress("unix:path=/given", BusKind::System), "unix:path=/given");
    }
}

TEST(BusProbe, TellsAnsweringSilentAndMissingBusesApart) {
    test::PrivateBus bus{test::PrivateBus::Kind::System};
    ASSERT_EQ(bus.error(), "");
    EXPECT_EQ(probeBus(bus.address().toStdString()), ProbeResult::Answers);

    for (bool abstract : {false, true}) {
        SilentSocket silent(abstract);
        ASSERT_TRUE(silent.ok());
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(probeBus(silent.address()), ProbeResult::Silent) << silent.address();
        EXPECT_LT(clock.elapsed(), 3000);
        EXPECT_GE(clock.elapsed(), 900);  // it did wait for an answer
    }

    QTemporaryDir empty;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(probeBus("unix:path=" + empty.filePath("none").toStdString()), ProbeResult::Unreachable);
    EXPECT_LT(clock.elapsed(), 500);

    EXPECT_EQ(probeBus("tcp:host=127.0.0.1,port=1"), ProbeResult::NotProbed);
}

// The services treat a bus that never answers as no bus, without waiting on it.
TEST(BusProbe, ServicesGoOnWithoutASilentBus) {
    SilentSocket silent;
    ASSERT_TRUE(silent.ok());

    DesktopBluetooth bluetooth(QString::fromStdString(silent.address()));
    std::vector<BluetoothState> seen;
    QElapsedTimer clock;
    clock.start();
    bluetooth.start([&](BluetoothState s) { seen.push_back(s); });
    EXPECT_LT(clock.elapsed(), 3000);
    test::spinUntil([&] { return !seen.empty(); });
    EXPECT_EQ(seen, std::vector<BluetoothState>{BluetoothState::Unsupported});
    EXPECT_EQ(bluetooth.state(), BluetoothState::Unsupported);

    std::vector<std::string> log;
    DesktopUserNotifications notifications(QString::fromStdString(silent.address()),
                                           [&](const std::string& line) { log.push_back(line); });
    clock.restart();
    notifications.post("a", "Title", "Body");
    notifications.post("a", "Again", "Later");
    EXPECT_LT(clock.elapsed(), 3000);  // probed once, not per notice
    EXPECT_EQ(log, (std::vector<std::string>{"corvadine: no notification service: Title: Body",
                                             "corvadine: no notification service: Again: Later"}));
}

} // namespace
} // namespace corv::desktop
