// The real program, offscreen, with logind played by python3-dbusmock on a
// private system bus: it starts, answers a second copy's quit request, runs
// its sleep and wake paths, and ends cleanly on SIGTERM.

#include "support/MockNotifications.h"
#include "support/PrivateBus.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <QFile>

#include <memory>

#include <gtest/gtest.h>

#include <QDir>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>
#include <vector>
#include <fcntl.h>
#include <linux/close_range.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// Xlib's macros last: they clash with names in the headers above.
#include "support/XServer.h"

namespace corv::test {
namespace {

const QString kLogind = "org.freedesktop.login1";
const QString kManagerPath = "/org/freedesktop/login1";

// One running copy of the program and what it has said.
class Program {
public:
    // Untrusted: the uinput node is missing, so the permission alert comes up.
    Program(const QTemporaryDir& home, const QString& systemBus, const QString& display = {}, bool trusted = true,
            const QString& sessionBus = "unix:path=/nonexistent/corvadine-test-session") {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_STARTER_ADDRESS"})
            env.remove(name);
        if (!display.isEmpty()) env.insert("DISPLAY", display);
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("XDG_RUNTIME_DIR", home.path());
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", systemBus);
        env.insert("DBUS_SESSION_BUS_ADDRESS", sessionBus);
        env.insert("CORVADINE_TRACE", "1");
        // A writable stand-in for the uinput node: the program counts as trusted and takes nothing.
        QFile uinput(home.filePath("uinput"));
        uinput.open(QIODevice::WriteOnly);
        env.insert("CORVADINE_UINPUT", trusted ? uinput.fileName() : home.filePath("no-uinput"));
        env.insert("CORVADINE_INPUT_DEVICES", "none");
        process.setProcessEnvironment(env);
        // It starts with the three standard descriptors, as from the desktop:
        // any other it holds is its own.
        process.setChildProcessModifier([] { ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC); });
        process.setWorkingDirectory(home.path());
        QObject::connect(&process, &QProcess::readyReadStandardError, [this] { said += process.readAllStandardError(); });
        process.start(CORV_PROGRAM, {});
    }
    ~Program() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    // Bounded, and generous for a loaded machine running sanitized builds.
    bool saidLine(const QString& line, int timeoutMs = 30000) {
        const QByteArray wanted = ("corvadine: " + line + "\n").toUtf8();
        // A program that has ended says nothing more.
        spinUntil([&] { return said.contains(wanted) || process.state() == QProcess::NotRunning; }, timeoutMs);
        return said.contains(wanted);
    }
    int count(const QString& line) const { return said.count(("corvadine: " + line + "\n").toUtf8()); }
    bool ended() {
        return spinUntil([&] { return process.state() == QProcess::NotRunning; }, 30000);
    }

    QProcess process;
    QByteArray said;
};

// A client of the instance socket that connects and then says nothing.
int connectIdle(const QString& socketPath) {
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) return -1;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
        ::close(fd);
        if (errno != EAGAIN) return -1;
        // A full backlog: the program takes them as it can.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -1;
}

// Whether the program has hung up on the client (or reset it).
bool hungUp(int fd) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) return false;
    char byte;
    return ::recv(fd, &byte, 1, MSG_DONTWAIT) <= 0;
}

int openDescriptors(qint64 pid) {
    const QDir fds(QString("/proc/%1/fd").arg(pid));
    return static_cast<int>(fds.entryList(QDir::NoDotAndDotDot | QDir::System).size());
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(bus.error(), "");
        ASSERT_TRUE(bus.startTemplate("logind", kLogind)) << bus.error();
        // The session "auto" names the caller's own.
        auto reply = bus.mock(kLogind, kManagerPath, "AddSession",
                              {"auto", "seat0", QVariant::fromValue(quint32(1000)), "user", true});
        ASSERT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    }
    void setSessionActive(bool active) {
        auto reply = bus.mock(kLogind, "/org/freedesktop/login1/session/auto", "UpdateProperties",
                              {"org.freedesktop.login1.Session", QVariantMap{{"Active", active}}});
        ASSERT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    }
    QString settingsFile() const { return home.filePath("config/corvadine/defaults.plist"); }
    void emitPrepareForSleep(bool start) {
        auto reply = bus.mock(kLogind, kManagerPath, "EmitSignal",
                              {"org.freedesktop.login1.Manager", "PrepareForSleep", "b", QVariantList{start}});
        ASSERT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    }

    PrivateBus bus{PrivateBus::Kind::System};
    QTemporaryDir home;
};

TEST_F(ProgramTest, RunsUntilToldToQuitFollowingSleepWakeAndASecondCopy) {
    Program first(home, bus.address());
    ASSERT_TRUE(first.saidLine("step startDockObserver")) << first.said.toStdString();
    EXPECT_EQ(first.said.count("no display found; running on the offscreen platform: it needs a desktop session"), 1);
    EXPECT_EQ(first.count("status item made"), 2);
    ASSERT_TRUE(first.saidLine("logind: watching the session"));
    EXPECT_FALSE(QFileInfo::exists(settingsFile()));
    EXPECT_EQ(inheritable(first.process.processId()), std::vector<std::string>{});

    // Sleep saves the settings; wake follows.
    emitPrepareForSleep(true);
    ASSERT_TRUE(first.saidLine("logind: going to sleep"));
    EXPECT_TRUE(spinUntil([&] { return QFileInfo::exists(settingsFile()); }));
    emitPrepareForSleep(false);
    ASSERT_TRUE(first.saidLine("logind: woke up"));
    EXPECT_EQ(first.process.state(), QProcess::Running);

    // The session switched away saves as a sleep does; its return is a wake.
    QFile::remove(settingsFile());
    setSessionActive(false);
    ASSERT_TRUE(first.saidLine("logind: session inactive"));
    EXPECT_TRUE(spinUntil([&] { return QFileInfo::exists(settingsFile()); }));
    setSessionActive(true);
    ASSERT_TRUE(first.saidLine("logind: session active"));
    EXPECT_EQ(inheritable(first.process.processId()), std::vector<std::string>{});

    // A second copy asks the first to quit; the first ends cleanly.
    Program second(home, bus.address());
    ASSERT_TRUE(second.saidLine("asked the other copy to quit")) << second.said.toStdString();
    ASSERT_TRUE(first.saidLine("quit requested by another copy")) << first.said.toStdString();
    ASSERT_TRUE(first.ended()) << first.said.toStdString();
    EXPECT_EQ(first.count("another copy started; this one ends"), 1);
    EXPECT_EQ(first.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.process.exitCode(), 0);
    ASSERT_TRUE(second.saidLine("step startDockObserver"));

    // The first copy's end left the name to the second, which a third finds.
    Program third(home, bus.address());
    ASSERT_TRUE(third.saidLine("asked the other copy to quit")) << third.said.toStdString();
    ASSERT_TRUE(second.saidLine("quit requested by another copy"));
    ASSERT_TRUE(second.ended());
    EXPECT_EQ(second.process.exitCode(), 0);
    ASSERT_TRUE(third.saidLine("step startDockObserver"));

    // SIGTERM runs the termination path: the settings are saved, the exit is
    // clean. A SIGINT before the loop takes it up, with no input held, ends
    // nothing sooner.
    QFile::remove(settingsFile());
    test::signalProcess(third.process.processId(), SIGTERM);
    test::signalProcess(third.process.processId(), SIGINT);
    ASSERT_TRUE(third.ended());
    EXPECT_TRUE(third.said.contains("corvadine: termination signal\ncorvadine: terminating\n"));
    EXPECT_EQ(third.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(third.process.exitCode(), 0);
    EXPECT_TRUE(QFileInfo::exists(settingsFile()));
}

// A termination signal while the permission alert is up ends the program as
// its cancel button does.
TEST_F(ProgramTest, ASignalDuringThePermissionAlertEndsTheProgram) {
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        Program untrusted(home, bus.address(), {}, false);
        ASSERT_TRUE(untrusted.saidLine("alert shown")) << untrusted.said.toStdString();
        test::signalProcess(untrusted.process.processId(), signal);
        ASSERT_TRUE(untrusted.ended()) << untrusted.said.toStdString();
        EXPECT_TRUE(untrusted.said.contains("corvadine: termination signal\n")) << untrusted.said.toStdString();
        EXPECT_EQ(untrusted.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(untrusted.process.exitCode(), 0);
        EXPECT_EQ(untrusted.count("step startDockObserver"), 0);
        EXPECT_FALSE(QFileInfo::exists(settingsFile()));
    }
}

TEST_F(ProgramTest, ADisplayThatDoesNotAnswerIsNoDisplay) {
    // An X display named, but nobody serves it (a session that has ended).
    Program stale(home, bus.address(), ":64999");
    ASSERT_TRUE(stale.saidLine("step startDockObserver")) << stale.said.toStdString();
    EXPECT_EQ(stale.said.count("no display found; running on the offscreen platform: it needs a desktop session"), 1);
    stale.process.terminate();
    ASSERT_TRUE(stale.ended());
    EXPECT_EQ(stale.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(stale.process.exitCode(), 0);
}

TEST_F(ProgramTest, WithoutLogindThereAreNoNotices) {
    ASSERT_TRUE(bus.stopTemplate(kLogind));
    Program lone(home, bus.address());
    ASSERT_TRUE(lone.saidLine("step startDockObserver"));
    EXPECT_FALSE(lone.saidLine("logind: watching the session", 1000));
    EXPECT_EQ(lone.count("asked the other copy to quit"), 0);
    lone.process.terminate();
    ASSERT_TRUE(lone.ended());
    EXPECT_EQ(lone.process.exitCode(), 0);
}

// A copy's notice of a missing tray ends with it, as no later copy can take
// it back: on a display without a tray each start says so once, and nothing
// is left after the last.
TEST_F(ProgramTest, ACopysNoticesEndWithIt) {
    XServer x;
    ASSERT_EQ(x.error(), "");
    const QString display = QString::fromStdString(x.name());
    PrivateBus session;
    ASSERT_TRUE(session.startTemplate("notification_daemon", kNotificationService)) << session.error();
    // Once the copy's notice has come, what is on screen.
    const auto shownOnce = [&](int copies) {
        EXPECT_TRUE(spinUntil([&] {
            const auto calls = mockCalls(session, kNotificationService, kNotificationPath);
            return std::count_if(calls.begin(), calls.end(), [](const MockCall& c) { return c.method == "Notify"; }) == copies;
        }, 5000));
        return noticesShown(session);
    };
    auto copy = std::make_unique<Program>(home, bus.address(), display, true, session.address());
    EXPECT_EQ(shownOnce(1), std::vector<QString>{"Corvadine has no tray icon here"}) << copy->said.toStdString();
    for (int copies = 2; copies <= 3; ++copies) {
        auto next = std::make_unique<Program>(home, bus.address(), display, true, session.address());
        ASSERT_TRUE(copy->ended()) << copy->said.toStdString();
        EXPECT_EQ(shownOnce(copies).size(), 1u) << next->said.toStdString();
        copy = std::move(next);
    }
    copy->process.terminate();
    ASSERT_TRUE(copy->ended());
    EXPECT_TRUE(noticesShown(session).empty());
}

TEST_F(ProgramTest, IdleClientsOfTheInstanceSocketNeitherExhaustItNorStopASecondCopy) {
    Program first(home, bus.address());
    ASSERT_TRUE(first.saidLine("step startDockObserver")) << first.said.toStdString();
    const qint64 pid = first.process.processId();
    const int baseline = openDescriptors(pid);
    // Well below the idle clients: unbounded peers would run the program out.
    const rlimit limit{static_cast<rlim_t>(baseline + 200), static_cast<rlim_t>(baseline + 200)};
    ASSERT_EQ(::prlimit(static_cast<pid_t>(pid), RLIMIT_NOFILE, &limit, nullptr), 0);
    rlimit own{};
    ::getrlimit(RLIMIT_NOFILE, &own);
    ASSERT_GE(own.rlim_max, 1300u) << "the test holds 1,100 clients";
    own.rlim_cur = own.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &own);

    const QString socket = home.filePath("corvadine.instance");
    std::vector<int> idle;
    int most = 0;
    for (int i = 0; i < 1100; ++i) {
        const int fd = connectIdle(socket);
        ASSERT_GE(fd, 0) << "client " << i;
        idle.push_back(fd);
        if (i % 50 == 0) most = std::max(most, openDescriptors(pid));
    }
    most = std::max(most, openDescriptors(pid));
    EXPECT_LE(most, baseline + 40);
    EXPECT_EQ(inheritable(pid), std::vector<std::string>{});
    EXPECT_EQ(first.process.state(), QProcess::Running);
    // The first idle clients are dropped after their short while, the others
    // are refused.
    EXPECT_TRUE(spinUntil([&] { return hungUp(idle.front()) && hungUp(idle.back()); }, 5000));

    // A well-behaved client is answered: an unknown line is hung up on.
    const int polite = connectIdle(socket);
    ASSERT_GE(polite, 0);
    ASSERT_EQ(::send(polite, "hello\n", 6, MSG_NOSIGNAL), 6);
    EXPECT_TRUE(spinUntil([&] { return hungUp(polite); }, 1500));
    ::close(polite);

    Program second(home, bus.address());
    ASSERT_TRUE(second.saidLine("asked the other copy to quit")) << second.said.toStdString();
    ASSERT_TRUE(first.saidLine("quit requested by another copy")) << first.said.toStdString();
    ASSERT_TRUE(first.ended());
    EXPECT_EQ(first.process.exitCode(), 0);
    for (int fd : idle) ::close(fd);
    second.process.terminate();
    ASSERT_TRUE(second.ended());
}

} // namespace
} // namespace corv::test
