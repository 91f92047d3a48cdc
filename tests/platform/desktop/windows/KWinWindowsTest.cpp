// KWin's facility under a real KWin started headless: the next run cleans up
// after one that crashed, and touches nothing else, a window maximised before the script came counts as
// maximised, commands leave no files, only KWin is heard; under a mock KWin:
// a command script is unloaded only once it has acted, and a KWin that
// refuses our script is asked again without end.

#include "platform/desktop/DesktopRunLoop.h"
#include "platform/desktop/windows/KWinWindows.h"
#include "platform/sim/SimRunLoop.h"

#include "support/HeadlessCompositor.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <csignal>

#include <unistd.h>

namespace corv::desktop {
namespace {

using test::spinUntil;

QDir folderOf(qint64 pid) {
    const QStringList all = QDir::temp().entryList({QString("corvadine-kwin-%1-*").arg(pid)}, QDir::Dirs);
    return all.size() == 1 ? QDir(QDir::temp().filePath(all.front())) : QDir("/nonexistent");
}

// A run for the test below to kill.
TEST(KWinWindows, DISABLED_RunsForAnotherTest) {
    if (!qEnvironmentVariableIsSet("CORV_KWIN_RUN")) GTEST_SKIP() << "run by the test below, which sets CORV_KWIN_RUN";
    DesktopRunLoop loop;
    auto windows = KWinWindows::open(loop, qEnvironmentVariable("CORV_KWIN_RUN"));
    ASSERT_TRUE(windows) << "no KWin on " << qEnvironmentVariable("CORV_KWIN_RUN").toStdString();
    spinUntil([] { return false; }, 60000);
}

TEST(KWinWindows, TheNextRunCleansUpACrashedOneAPriorMaximiseCountsAndOnlyKWinIsHeard) {
    test::HeadlessCompositor kwin(test::HeadlessCompositor::Kind::KWin);
    const qint64 a = kwin.startClient("corv-test-a"), b = kwin.startClient("corv-test-b");
    ASSERT_TRUE(a > 0 && b > 0 && kwin.onWindow("corv-test-a", "w.setMaximize(true, true);")) << kwin.error();
    QProcess crashed;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("CORV_KWIN_RUN", kwin.busAddress());
    ASSERT_TRUE(test::startChild(crashed, QCoreApplication::applicationFilePath(),
                                 {"--gtest_also_run_disabled_tests", "--gtest_filter=KWinWindows.DISABLED_*"}, env));
    const QString crashedScript = QString("corvadine-windows-%1").arg(crashed.processId());
    ASSERT_TRUE(spinUntil([&] { return kwin.kwinScriptLoaded(crashedScript) == true; }));
    const QDir crashedFolder = folderOf(crashed.processId());
    test::signalProcess(crashed.processId(), SIGKILL);
    ASSERT_TRUE(crashed.waitForFinished(5000) && crashedFolder.exists());
    // Under the crashed run's name beside it: a link to a folder of ours and
    // another user's folder, both kept; a link in the crashed folder is
    // removed, not what it names.
    QTemporaryDir target;
    QFile kept(target.filePath("kept"));
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    const QString named = QDir::temp().filePath(crashedFolder.dirName().section('-', 0, 3));
    ASSERT_TRUE(QFile::link(target.path(), named + "-link") && QFile::link(kept.fileName(), crashedFolder.filePath("out")));
    QDir others(named + "-other");
    ASSERT_TRUE(QDir().mkdir(others.path()) && QFile(others.filePath("theirs")).open(QIODevice::WriteOnly));
    const bool root = ::geteuid() == 0;
    for (const QString& path : {others.filePath("theirs"), others.path()})
        ASSERT_TRUE(!root || ::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0);
    DesktopRunLoop loop;
    auto windows = KWinWindows::open(loop, kwin.busAddress());
    EXPECT_TRUE(spinUntil([&] { return kwin.kwinScriptLoaded(crashedScript) == false; }, 3000));
    EXPECT_FALSE(crashedFolder.exists());
    EXPECT_TRUE(kept.exists());
    EXPECT_TRUE(!root || QFile::exists(others.filePath("theirs")));
    QFile::remove(named + "-link");
    others.removeRecursively();
    // Ours is for us alone: no bits for the group or others.
    EXPECT_EQ(QFile::permissions(folderOf(::getpid()).path()) & 0x0077, 0);
    ASSERT_TRUE(spinUntil([&] { return windows->windows().windows.size() == 2; }, 3000));
    const auto windowOf = [&](qint64 pid) {
        for (const auto& w : windows->windows().windows)
            if (w.pid == pid) return w;
        return CompositorWindow{};
    };
    // Maximised before: zoom restores it first.
    for (bool on : {false, true}) {
        ASSERT_TRUE(windows->toggleMaximized(windowOf(a).id));
        EXPECT_TRUE(spinUntil([&] { return (windowOf(a).geometry == platform::Rect{0, 0, 1280, 800}) == on; })) << on;
    }
    for (int i = 0; i < 30; ++i) ASSERT_TRUE(windows->activate(windowOf(i % 2 ? a : b).id));
    EXPECT_TRUE(spinUntil([&] { return kwin.focusedApp() == "corv-test-a"; }, 3000));
    EXPECT_EQ(folderOf(::getpid()).entryList(QDir::Files).size(), 2);

    // A peer that reports windows or asks for the commands is not heard.
    QFile script(folderOf(::getpid()).filePath("windows.js"));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    const QString service = QRegularExpression(R"re(callDBus\("([^"]+)")re").match(script.readAll()).captured(1);
    QDBusConnection peer = QDBusConnection::connectToBus(kwin.busAddress(), "corv-spoofing-peer");
    const auto ask = [&](const QString& method, const QVariantList& args) {
        auto call = QDBusMessage::createMethodCall(service, "/KWinWindows", "com.brelvantoque.Corvadine.KWinWindows", method);
        call.setArguments(args);
        return peer.call(call, QDBus::BlockWithGui, 3000).arguments().value(0).toString();
    };
    ask("Report", {R"({"windows":[{"id":"{1}","pid":1}],"active":"{1}","under":"{1}"})"});
    EXPECT_EQ(windows->windows().windows.size(), 2u);
    ASSERT_TRUE(windows->activate(windowOf(b).id));
    EXPECT_EQ(ask("Next", {}), R"({"commands":[]})");
    EXPECT_TRUE(spinUntil([&] { return kwin.focusedApp() == "corv-test-b"; }, 3000));
    // A repeated run gets a peer on its own KWin's bus.
    QDBusConnection::disconnectFromBus("corv-spoofing-peer");
}

// A KWin may take an unload before it hands the script our answer, so a
// command script is unloaded only once it says it has acted, or 10 s after it
// asked; commands queued meanwhile wait for it. One that never asks is
// unloaded too.
TEST(KWinWindows, ACommandScriptIsUnloadedOnlyOnceItSaysItHasActed) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.startObject("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting")) << bus.error();
    const QString note = "self.said = getattr(self, 'said', []) + [%1]; ";
    for (const QStringList& m : {QStringList{"org.kde.kwin.Scripting", "loadScript", "ss", "i", note.arg("'load ' + args[1]") + "ret = 0"},
                                 {"org.kde.kwin.Scripting", "unloadScript", "s", "b", note.arg("'unload ' + args[0]") + "ret = True"},
                                 {"org.kde.kwin.Scripting", "start", "", "", note.arg("'start'")},
                                 {"org.corv.Test", "Said", "", "s", "ret = ' '.join(getattr(self, 'said', []))"},
                                 // KWin's script calling us.
                                 {"org.corv.Test", "Ask", "sss", "s",
                                  "m = self.connection.get_object(args[0], '/KWinWindows').get_dbus_method(args[1], "
                                  "'com.brelvantoque.Corvadine.KWinWindows'); ret = str(m(args[2]) if args[2] else m())"}})
        ASSERT_NE(bus.mock("org.kde.KWin", "/Scripting", "AddMethod", QVariantList(m.begin(), m.end())).type(), QDBusMessage::ErrorMessage);
    sim::SimRunLoop loop;
    auto windows = KWinWindows::open(loop, bus.address());
    ASSERT_TRUE(windows);
    QFile script(folderOf(::getpid()).filePath("commands.js"));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    const QString us = QRegularExpression(R"re("(:[0-9.]+)")re").match(script.readAll()).captured(1);
    const auto kwin = [&](const QString& method, const QVariantList& args) {
        auto call = QDBusMessage::createMethodCall("org.kde.KWin", "/Scripting", "org.corv.Test", method);
        call.setArguments(args);
        return bus.connection().call(call, QDBus::BlockWithGui, 5000).arguments().value(0).toString().toStdString();
    };
    const auto ask = [&](const QString& method, const QString& arg = {}) { return kwin("Ask", {us, method, arg}); };
    const auto said = [&] { return kwin("Said", {}); };
    const std::string name = "corvadine-command-" + std::to_string(::getpid()) + "-";
    ASSERT_TRUE(spinUntil([&] { return ask("Report", R"({"windows":[{"id":"{1}","pid":1}],"active":"{1}"})") == "None" &&
                                       windows->windows().windows.size() == 1 && said().ends_with(" start"); }));
    const CompositorWindowId id = windows->windows().windows.front().id;

    ASSERT_TRUE(windows->activate(id));
    ASSERT_TRUE(spinUntil([&] { return said().ends_with("load " + name + "1 start"); })) << said();
    EXPECT_EQ(ask("Next"), R"({"commands":[{"act":"activate","id":"{1}","on":true}],"run":"1"})");
    ASSERT_TRUE(windows->activate(id));
    const std::string asked = said();
    for (const char* done : {"0", "2", "x"}) EXPECT_EQ(ask("Done", done), "None");
    loop.advance(9);
    spinUntil([] { return false; }, 200);
    EXPECT_EQ(said(), asked) << "unloaded, or the next run out, before the script said it acted";

    EXPECT_EQ(ask("Done", "1"), "None");
    EXPECT_TRUE(spinUntil([&] { return said().starts_with(asked + " unload " + name + "1 unload " + name + "0 load " + name + "0 start"); }))
        << said();
    EXPECT_EQ(ask("Next"), R"({"commands":[{"act":"activate","id":"{1}","on":true}],"run":"2"})");
    EXPECT_EQ(ask("Next"), R"({"commands":[]})");
    // Never said: unloaded after the bound.
    const std::string unsaid = said();
    loop.advance(9.9);
    spinUntil([] { return false; }, 200);
    EXPECT_EQ(said(), unsaid);
    loop.advance(0.2);
    EXPECT_TRUE(spinUntil([&] { return said() == unsaid + " unload " + name + "0"; })) << said();
    // Never asked: unloaded after the bound, so its name is free two runs on.
    ASSERT_TRUE(windows->activate(id));
    ASSERT_TRUE(spinUntil([&] { return said().ends_with("load " + name + "1 start"); })) << said();
    const std::string unasked = said();
    loop.advance(10);
    EXPECT_TRUE(spinUntil([&] { return said() == unasked + " unload " + name + "1"; })) << said();
}

// Refused, our script is asked for again, at most 10 s later, and we say once
// that we are blind.
TEST(KWinWindows, AKWinThatRefusesOurScriptIsAskedAgainWithoutEnd) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.startObject("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting")) << bus.error();
    for (const char* method : {"loadScript\nss\ni\nret = -1", "unloadScript\ns\nb\nret = False", "start\n\n\n"})
        bus.mock("org.kde.KWin", "/Scripting", "AddMethod", QVariantList{"org.kde.kwin.Scripting"} + QVariant(QString(method).split('\n')).toList());
    QTemporaryFile said;
    const int stderrCopy = ::dup(STDERR_FILENO);
    ASSERT_TRUE(said.open() && ::dup2(said.handle(), STDERR_FILENO) >= 0);
    sim::SimRunLoop loop;
    auto windows = KWinWindows::open(loop, bus.address());
    for (int tries = 1; tries < 40 && spinUntil([&] { return loop.pendingCount() == 1; }, 3000); ++tries) loop.advance(10);
    ::dup2(stderrCopy, STDERR_FILENO);
    EXPECT_EQ(loop.now(), 390);
    said.seek(0);
    EXPECT_EQ(said.readAll().count("KWin does not run our script"), 1);
}

} // namespace
} // namespace corv::desktop
