// KWin's facility under a real KWin started headless: the next run cleans up
// after one that crashed, a window maximised before the script came counts as
// maximised, commands leave no script files, only KWin is heard, and a KWin
// that refuses our script is asked again without end.

#include "platform/desktop/DesktopRunLoop.h"
#include "platform/desktop/compositor/KWinWindows.h"
#include "platform/sim/SimRunLoop.h"

#include "support/HeadlessCompositor.h"

#include <QCoreApplication>
#include <QDBusPendingCallWatcher>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

namespace corv::desktop {
namespace {

using test::HeadlessCompositor;
using test::spinUntil;

QDir folderOf(qint64 pid) {
    const QStringList all = QDir::temp().entryList({QString("corvadine-kwin-%1-*").arg(pid)}, QDir::Dirs);
    return all.size() == 1 ? QDir(QDir::temp().filePath(all.front())) : QDir("/nonexistent");
}

// A run of the facility for the test below to kill.
TEST(KWinWindows, DISABLED_RunsForAnotherTest) {
    DesktopRunLoop loop;
    if (!std::getenv("CORV_KWIN_RUN")) return;
    if (auto windows = KWinWindows::open(loop, QString::fromUtf8(std::getenv("CORV_KWIN_RUN"))))
        spinUntil([] { return false; }, 60000);
}

TEST(KWinWindows, TheNextRunCleansUpACrashedOneAPriorMaximiseCountsAndOnlyKWinIsHeard) {
    HeadlessCompositor kwin(HeadlessCompositor::Kind::KWin);
    ASSERT_EQ(kwin.error(), "");
    const qint64 a = kwin.startClient("corv-test-a"), b = kwin.startClient("corv-test-b");
    ASSERT_TRUE(a > 0 && b > 0 && kwin.onWindow("corv-test-a", "w.setMaximize(true, true);"));

    // A run killed leaves its folder and its script loaded; the next removes both.
    QProcess crashed;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("CORV_KWIN_RUN", kwin.busAddress());
    ASSERT_TRUE(test::startChild(crashed, QCoreApplication::applicationFilePath(),
                                 {"--gtest_also_run_disabled_tests", "--gtest_filter=KWinWindows.DISABLED_*"}, env));
    const QString crashedScript = QString("corvadine-windows-%1").arg(crashed.processId());
    ASSERT_TRUE(spinUntil([&] { return kwin.kwinScriptLoaded(crashedScript) == true; }));
    const QDir crashedFolder = folderOf(crashed.processId());
    ::kill(static_cast<pid_t>(crashed.processId()), SIGKILL);
    ASSERT_TRUE(crashed.waitForFinished(5000) && crashedFolder.exists());
    DesktopRunLoop loop;
    auto windows = KWinWindows::open(loop, kwin.busAddress());
    ASSERT_TRUE(windows);
    EXPECT_TRUE(spinUntil([&] { return kwin.kwinScriptLoaded(crashedScript) == false; }, 3000));
    EXPECT_FALSE(crashedFolder.exists());
    ASSERT_TRUE(spinUntil([&] { return windows->windows().windows.size() == 2; }, 3000));
    const auto windowOf = [&](qint64 pid) {
        for (const auto& w : windows->windows().windows)
            if (w.pid == pid) return w;
        return CompositorWindow{};
    };

    // Maximised before: zoom restores it first.
    for (bool on : {false, true}) {
        ASSERT_TRUE(windows->toggleMaximized(windowOf(a).id));
        EXPECT_TRUE(spinUntil([&] { return kwin.maximized("corv-test-a") == on; }, 3000)) << on;
        EXPECT_TRUE(spinUntil([&] { return (windowOf(a).geometry == platform::Rect{0, 0, 1280, 800}) == on; }, 3000));
    }

    // Many commands leave our two scripts alone in the folder.
    for (int i = 0; i < 30; ++i) ASSERT_TRUE(windows->activate(windowOf(i % 2 ? a : b).id));
    EXPECT_TRUE(spinUntil([&] { return kwin.focusedApp() == "corv-test-a"; }, 3000));
    EXPECT_EQ(folderOf(::getpid()).entryList(QDir::Files).size(), 2);

    // Another peer on the bus is heard neither reporting windows nor asking
    // for the commands.
    QFile script(folderOf(::getpid()).filePath("windows.js"));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    const QString service = QRegularExpression(R"re(callDBus\("([^"]+)")re").match(script.readAll()).captured(1);
    QDBusConnection peer = QDBusConnection::connectToBus(kwin.busAddress(), "corv-spoofing-peer");
    const auto ask = [&](const QString& method, const QVariantList& args) {
        auto call = QDBusMessage::createMethodCall(service, "/KWinWindows", "com.brelvantoque.Corvadine.KWinWindows", method);
        call.setArguments(args);
        QDBusPendingCallWatcher answer(peer.asyncCall(call));
        spinUntil([&] { return answer.isFinished(); }, 3000);
        return answer.reply().arguments().value(0).toString();
    };
    ask("Report", {R"({"windows":[{"id":"{1}","pid":1,"appId":"spoof"}],"active":"{1}","under":"{1}"})"});
    EXPECT_EQ(windows->windows().windows.size(), 2u);
    EXPECT_EQ(focusedWindow(windows->windows()).value_or(CompositorWindow{}).pid, a);
    ASSERT_TRUE(windows->activate(windowOf(b).id));
    EXPECT_EQ(ask("Next", {}), "[]");
    EXPECT_TRUE(spinUntil([&] { return kwin.focusedApp() == "corv-test-b"; }, 3000));
    QDBusConnection::disconnectFromBus("corv-spoofing-peer");
}

// A KWin that refuses our script is asked again, less often each time down to
// a bound, without end, and we say once that we are blind.
TEST(KWinWindows, AScriptKWinRefusesIsAskedAgainWithoutEndAndBlindnessIsSaidOnce) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.startObject("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting")) << bus.error();
    for (const QVariantList& method : {QVariantList{"loadScript", "ss", "i", "ret = -1"},
                                       QVariantList{"unloadScript", "s", "b", "ret = False"}, QVariantList{"start", "", "", ""}})
        bus.mock("org.kde.KWin", "/Scripting", "AddMethod", QVariantList{"org.kde.kwin.Scripting"} + method);
    QTemporaryFile said;
    ASSERT_TRUE(said.open());
    const int stderrCopy = ::dup(STDERR_FILENO);
    ::dup2(said.handle(), STDERR_FILENO);
    sim::SimRunLoop loop;
    auto windows = KWinWindows::open(loop, bus.address());
    // Refused, the next try is set; its time comes, and it goes out.
    std::vector<double> gaps;
    while (gaps.size() < 40 && spinUntil([&] { return loop.pendingCount() == 1; }, 3000)) {
        const double since = loop.now();
        while (loop.pendingCount() == 1) loop.advance(0.05);
        gaps.push_back(loop.now() - since);
    }
    ::dup2(stderrCopy, STDERR_FILENO);
    ASSERT_EQ(gaps.size(), 40u);
    EXPECT_TRUE(std::is_sorted(gaps.begin(), gaps.end(), [](double x, double y) { return x + 0.06 < y; }));
    EXPECT_NEAR(gaps.front(), 0.2, 0.06);
    EXPECT_NEAR(gaps.back(), 10, 0.06);
    said.seek(0);
    EXPECT_EQ(said.readAll().count("KWin does not run our script"), 1);
}

} // namespace
} // namespace corv::desktop
