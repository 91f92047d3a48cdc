// KWin's facility under a real KWin started headless: the next run cleans up
// after one that crashed, a window maximised before the script came counts as
// maximised, commands leave no script files, and only KWin is heard.

#include "platform/desktop/DesktopRunLoop.h"
#include "platform/desktop/compositor/KWinWindows.h"
#include "platform/sim/SimRunLoop.h"

#include "support/HeadlessCompositor.h"

#include <QCoreApplication>
#include <QDBusPendingCallWatcher>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace corv::desktop {
namespace {

using test::HeadlessCompositor;
using test::spinUntil;

QStringList foldersOf(qint64 pid) {
    return QDir::temp().entryList({QString("corvadine-kwin-%1-*").arg(pid)}, QDir::Dirs);
}

// A run of the facility for the test below to kill.
TEST(KWinWindows, DISABLED_RunsForAnotherTest) {
    const char* bus = std::getenv("CORV_KWIN_RUN");
    if (!bus) return;
    DesktopRunLoop loop;
    auto windows = KWinWindows::open(loop, QString::fromUtf8(bus));
    ASSERT_TRUE(windows);
    spinUntil([] { return false; }, 60000);
}

TEST(KWinWindows, TheNextRunCleansUpACrashedOneAPriorMaximiseCountsAndOnlyKWinIsHeard) {
    HeadlessCompositor kwin(HeadlessCompositor::Kind::KWin);
    ASSERT_EQ(kwin.error(), "");
    const qint64 a = kwin.startClient("corv-test-a"), b = kwin.startClient("corv-test-b");
    ASSERT_TRUE(a > 0 && b > 0);
    ASSERT_TRUE(kwin.maximize("corv-test-a"));
    ASSERT_TRUE(spinUntil([&] { return kwin.maximized("corv-test-a") == true; }, 3000));

    // A run killed leaves its folder and its script loaded.
    QProcess crashed;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("CORV_KWIN_RUN", kwin.busAddress());
    crashed.setProcessEnvironment(env);
    test::endWithThisProcess(crashed);
    crashed.start(QCoreApplication::applicationFilePath(),
                  {"--gtest_also_run_disabled_tests", "--gtest_filter=KWinWindows.DISABLED_RunsForAnotherTest"});
    ASSERT_TRUE(crashed.waitForStarted(10000));
    const qint64 dead = crashed.processId();
    const QString deadScript = QString("corvadine-windows-%1").arg(dead);
    ASSERT_TRUE(spinUntil([&] { return kwin.kwinScriptLoaded(deadScript) == true; }, 10000));
    ::kill(static_cast<pid_t>(dead), SIGKILL);
    ASSERT_TRUE(crashed.waitForFinished(5000));
    ASSERT_EQ(foldersOf(dead).size(), 1);

    // The next run unloads it and removes the folder.
    DesktopRunLoop loop;
    auto windows = KWinWindows::open(loop, kwin.busAddress());
    ASSERT_TRUE(windows);
    EXPECT_TRUE(spinUntil([&] { return kwin.kwinScriptLoaded(deadScript) == false; }, 3000));
    EXPECT_TRUE(foldersOf(dead).isEmpty());
    ASSERT_TRUE(spinUntil([&] { return windows->windows().windows.size() == 2; }, 3000));
    const auto idOf = [&](qint64 pid) {
        for (const auto& w : windows->windows().windows)
            if (w.pid == pid) return w;
        return CompositorWindow{};
    };

    // Maximised before: zoom restores it first.
    for (bool on : {false, true}) {
        ASSERT_TRUE(windows->toggleMaximized(idOf(a).id));
        EXPECT_TRUE(spinUntil([&] { return kwin.maximized("corv-test-a") == on; }, 3000)) << on;
        EXPECT_TRUE(spinUntil([&] { return (idOf(a).geometry == platform::Rect{0, 0, 1280, 800}) == on; }, 3000)) << on;
    }

    // Many commands leave our two scripts alone in the folder.
    for (int i = 0; i < 30; ++i) ASSERT_TRUE(windows->activate(idOf(i % 2 ? a : b).id));
    EXPECT_TRUE(spinUntil([&] { return kwin.focusedApp() == "corv-test-a"; }, 3000));
    const QStringList ours = foldersOf(::getpid());
    ASSERT_EQ(ours.size(), 1);
    EXPECT_EQ(QDir(QDir::temp().filePath(ours.front())).entryList(QDir::Files).size(), 2);

    // Another peer on the bus is not heard: neither its report of windows nor
    // its asking for the commands.
    QFile script(QDir(QDir::temp().filePath(ours.front())).filePath("windows.js"));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    const QString service =
        QRegularExpression(R"re(callDBus\("([^"]+)")re").match(QString::fromUtf8(script.readAll())).captured(1);
    ASSERT_FALSE(service.isEmpty());
    QDBusConnection peer = QDBusConnection::connectToBus(kwin.busAddress(), "corv-spoofing-peer");
    const auto ask = [&](const QString& method, const QVariantList& args) {
        auto call = QDBusMessage::createMethodCall(service, "/KWinWindows", "com.brelvantoque.Corvadine.KWinWindows", method);
        call.setArguments(args);
        QDBusPendingCallWatcher answer(peer.asyncCall(call));
        spinUntil([&] { return answer.isFinished(); }, 3000);
        return answer.reply();
    };
    ask("Report", {QString(R"({"windows":[{"id":"{1}","pid":%1,"appId":"spoof"}],"active":"{1}","under":"{1}"})").arg(::getpid())});
    EXPECT_EQ(windows->windows().windows.size(), 2u);
    EXPECT_EQ(focusedWindow(windows->windows()).value_or(CompositorWindow{}).pid, a);
    ASSERT_TRUE(windows->activate(idOf(b).id));
    EXPECT_EQ(ask("Next", {}).arguments().value(0).toString(), "[]");
    EXPECT_TRUE(spinUntil([&] { return kwin.focusedApp() == "corv-test-b"; }, 3000));
    QDBusConnection::disconnectFromBus("corv-spoofing-peer");
}

// A KWin whose scripting refuses our script is asked again, less often each
// time down to a bound, without end, and we say once that we are blind.
TEST(KWinWindows, AScriptKWinRefusesIsAskedAgainWithoutEndAndBlindnessIsSaidOnce) {
    test::PrivateBus bus;
    ASSERT_EQ(bus.error(), "");
    ASSERT_TRUE(bus.startObject("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting")) << bus.error();
    for (const QVariantList& method : {QVariantList{"loadScript", "ss", "i", "ret = -1"},
                                       QVariantList{"unloadScript", "s", "b", "ret = False"},
                                       QVariantList{"start", "", "", ""}})
        ASSERT_NE(bus.mock("org.kde.KWin", "/Scripting", "AddMethod", QVariantList{"org.kde.kwin.Scripting"} + method).type(),
                  QDBusMessage::ErrorMessage);
    QTemporaryFile said;
    ASSERT_TRUE(said.open());
    const int stderrCopy = ::dup(STDERR_FILENO);
    ::dup2(said.handle(), STDERR_FILENO);
    sim::SimRunLoop loop;
    auto windows = KWinWindows::open(loop, bus.address());
    ASSERT_TRUE(windows);
    // Refused, the next try is set; its time comes, and it goes out.
    std::vector<double> gaps;
    for (int k = 0; k < 40; ++k) {
        if (!spinUntil([&] { return loop.pendingCount() == 1; }, 3000)) break;
        const double since = loop.now();
        while (loop.pendingCount() == 1) loop.advance(0.05);
        gaps.push_back(loop.now() - since);
    }
    windows.reset();
    ::dup2(stderrCopy, STDERR_FILENO);
    ::close(stderrCopy);
    ASSERT_EQ(gaps.size(), 40u);
    EXPECT_TRUE(std::is_sorted(gaps.begin(), gaps.end(), [](double a, double b) { return a + 0.06 < b; }));
    EXPECT_NEAR(gaps.front(), 0.2, 0.06);
    EXPECT_NEAR(gaps.back(), 10, 0.06);
    said.seek(0);
    EXPECT_EQ(QString::fromUtf8(said.readAll()).count("KWin does not run our script"), 1);
}

} // namespace
} // namespace corv::desktop
