// GNOME's windows through the program's extension, under a real GNOME Shell
// started headless for each test (support/GnomeShell.h), with foot terminals
// as the applications: focus changes by the user's click, desktops step, full
// screen is read back from the shell, input sources are listed and selected,
// and a session without the extension tells the user once and takes the
// extension up as soon as it is turned on; a screen lock, which turns it off
// for a while, tells nothing.

#include "platform/desktop/windows/GnomeShellWindows.h"

#include "platform/desktop/apps/DesktopAppNotes.h"
#include "platform/desktop/bus/DesktopUserNotifications.h"

#include "platform/desktop/DesktopPlatform.h"
#include "platform/desktop/DesktopRunLoop.h"
#include "support/GnomeShell.h"
#include "support/MockNotifications.h"

#include <QDBusArgument>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

#include <unistd.h>

namespace corv::desktop {
namespace {

using test::GnomeShell;
using test::spinUntil;

const QString kOne = "corv.test.one";
const QString kTwo = "corv.test.two";

// The shell's own word on a window.
QVariantMap windowInShell(GnomeShell& shell, CompositorWindowId id) {
    for (const QVariantMap& w : shell.windows())
        if (w.value("id").toUInt() == id) return w;
    return {};
}

int shellWorkspace(GnomeShell& shell) {
    const QString index = shell.eval("global.workspace_manager.get_active_workspace_index()");
    return index.isEmpty() ? -1 : index.toInt();
}

std::optional<CompositorWindow> byApp(const CompositorWindowList& list, const QString& appId) {
    for (const auto& w : list.windows)
        if (w.appId == appId.toStdString()) return w;
    return std::nullopt;
}

platform::Point centre(const platform::Rect& r) { return {r.x + r.width / 2, r.y + r.height / 2}; }

// A point of the window that the other window does not cover.
platform::Point uncovered(const platform::Rect& mine, const platform::Rect& other) {
    for (double fx : {0.5, 0.1, 0.9})
        for (double fy : {0.5, 0.1, 0.9}) {
            const platform::Point p{mine.x + mine.width * fx, mine.y + mine.height * fy};
            if (!other.contains(p)) return p;
        }
    return {mine.x + 1, mine.y + 1};
}

class GnomeShellWindowsTest : public ::testing::Test {
protected:
    // Fatal when the shell does not come up: each test wraps it in ASSERT_NO_FATAL_FAILURE.
    void start(GnomeShell::Setup setup, GnomeShellWindows::Options options = {}) {
        shell = std::make_unique<GnomeShell>(setup);
        ASSERT_EQ(shell->error(), "");
        options.sessionBus = shell->sessionBus();
        if (options.extensionFolder.isEmpty()) options.extensionFolder = shell->extensionFolder();
        windows = std::make_unique<GnomeShellWindows>(loop, options);
        watch = windows->watchWindows([this](const CompositorWindowList& list) { seen.push_back(list); });
    }
    // Starts foot with the app id and waits until the watcher sees its window.
    CompositorWindow client(const QString& appId) {
        const qint64 pid = shell->startClient(appId);
        EXPECT_NE(pid, 0);
        spinUntil([&] { return !seen.empty() && byApp(seen.back(), appId); });
        // Told again once the shell has placed it.
        spinUntil([&] {
            const QVariantMap frame = shell->window(appId);
            return byApp(seen.back(), appId).value_or(CompositorWindow{}).geometry ==
                   platform::Rect{frame["x"].toDouble(), frame["y"].toDouble(), frame["width"].toDouble(),
                                  frame["height"].toDouble()};
        });
        const auto w = seen.empty() ? std::nullopt : byApp(seen.back(), appId);
        EXPECT_TRUE(w) << "no window of " << appId.toStdString() << "; " << shell->log();
        if (w) {
            EXPECT_EQ(w->pid, pid);
        }
        return w.value_or(CompositorWindow{});
    }
    std::string focusedApp() {
        if (seen.empty()) return "none seen";
        const auto w = focusedWindow(seen.back());
        return w ? w->appId : "";
    }
    void TearDown() override {
        if (HasFailure() && shell) std::printf("SHELLLOG %s\n", shell->log().c_str());
        if (windows) windows->unwatch(watch);
        windows.reset();
        shell.reset();
    }

    DesktopRunLoop loop;
    std::unique_ptr<GnomeShell> shell;
    std::unique_ptr<GnomeShellWindows> windows;
    CompositorWatchId watch = 0;
    std::vector<CompositorWindowList> seen;
};

TEST_F(GnomeShellWindowsTest, AClickFocusesTheApplicationWhichIsAlsoTheOneUnderThePointer) {
    ASSERT_NO_FATAL_FAILURE(start({.appIds = {kOne, kTwo}}));
    const CompositorWindow one = client(kOne);
    const CompositorWindow two = client(kTwo);
    ASSERT_TRUE(windows->can(CompositorCapability::WindowUnderPointer));
    // The shell focuses a window it maps in its own time: a click before that
    // would be undone by it.
    ASSERT_TRUE(spinUntil([&] { return focusedApp() == two.appId; })) << focusedApp();

    for (const CompositorWindow* target : {&one, &two, &one}) {
        SCOPED_TRACE(target->appId);
        // Where the shell has put them by now.
        const CompositorWindowList now = windows->windows();
        const auto mine = windowById(now, target->id);
        const auto other = windowById(now, target->id == one.id ? two.id : one.id);
        ASSERT_TRUE(mine && other);
        const platform::Point p = uncovered(mine->geometry, other->geometry);
        ASSERT_TRUE(shell->pointTo(int(p.x), int(p.y)));
        ASSERT_TRUE(shell->click());
        // Headless mutter now and then drops a click while busy; what is
        // checked here is that the program follows the focus it gives.
        if (!spinUntil([&] { return focusedApp() == target->appId; }, 3000)) {
            ASSERT_TRUE(shell->click());
        }
        EXPECT_TRUE(spinUntil([&] { return focusedApp() == target->appId; })) << focusedApp();
        EXPECT_EQ(focusedWindow(windows->windows()).value_or(CompositorWindow{}).appId, target->appId);
        // The shell tells where the pointer is once it crosses into another window.
        std::optional<platform::Point> pointer;
        EXPECT_TRUE(spinUntil([&] {
            pointer = windows->pointer();
            return pointer && std::abs(pointer->x - p.x) <= 1 && std::abs(pointer->y - p.y) <= 1;
        }));
        ASSERT_TRUE(pointer);
        const auto under = windows->windowAt(*pointer);
        ASSERT_TRUE(under);
        EXPECT_EQ(under->appId, target->appId);
        EXPECT_EQ(under->pid, target->pid);
    }
    // The pointer over the other window, without a click: that one is under
    // it, the clicked one keeps the focus.
    const CompositorWindowList now = windows->windows();
    const auto over = windowById(now, two.id);
    ASSERT_TRUE(over);
    const platform::Point p = uncovered(over->geometry, windowById(now, one.id).value_or(CompositorWindow{}).geometry);
    ASSERT_TRUE(shell->pointTo(int(p.x), int(p.y)));
    EXPECT_TRUE(spinUntil([&] {
        return windows->windowAt(windows->pointer().value_or(platform::Point{})).value_or(CompositorWindow{}).appId ==
               two.appId;
    }));
    EXPECT_EQ(focusedApp(), one.appId);

    // Over no window.
    ASSERT_TRUE(shell->pointTo(GnomeShell::kWidth - 1, GnomeShell::kHeight - 1));
    EXPECT_FALSE(windows->windowAt({GnomeShell::kWidth - 1.0, GnomeShell::kHeight - 1.0}));
}

TEST_F(GnomeShellWindowsTest, DesktopsStepAndWindowStatesChangeAsTheShellReadsThemBack) {
    ASSERT_NO_FATAL_FAILURE(start({.appIds = {kOne, kTwo}}));
    const CompositorWindow one = client(kOne);
    const CompositorWindow two = client(kTwo);

    // GNOME keeps one empty workspace after the used ones.
    EXPECT_TRUE(spinUntil([&] { return windows->desktops() == CompositorDesktops{0, 2}; }));
    EXPECT_FALSE(windows->switchDesktop(-1));
    EXPECT_EQ(shellWorkspace(*shell), 0);
    EXPECT_TRUE(windows->switchDesktop(+1));
    EXPECT_TRUE(spinUntil([&] { return shellWorkspace(*shell) == 1; }));
    EXPECT_TRUE(spinUntil([&] { return windows->desktops() == CompositorDesktops{1, 2}; }));
    EXPECT_FALSE(windows->switchDesktop(+1));
    EXPECT_TRUE(windows->switchDesktop(-1));
    EXPECT_TRUE(spinUntil([&] { return shellWorkspace(*shell) == 0; }));

    ASSERT_TRUE(windows->activate(one.id));
    EXPECT_TRUE(spinUntil([&] { return focusedApp() == one.appId; })) << focusedApp();
    ASSERT_TRUE(windows->activate(two.id));
    EXPECT_TRUE(spinUntil([&] { return focusedApp() == two.appId; })) << focusedApp();

    const platform::Rect monitor{0, 0, GnomeShell::kWidth, GnomeShell::kHeight};
    const auto watched = [&] { return seen.empty() ? std::nullopt : windowById(seen.back(), two.id); };
    const struct {
        const char* what;
        std::function<bool()> request;
        const char* key;
        bool expected;
    } steps[] = {
        {"full screen on", [&] { return windows->setFullScreen(two.id, true); }, "fullscreen", true},
        {"full screen off", [&] { return windows->setFullScreen(two.id, false); }, "fullscreen", false},
        {"maximised", [&] { return windows->toggleMaximized(two.id); }, "maximized", true},
        {"maximised again", [&] { return windows->toggleMaximized(two.id); }, "maximized", false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        // A shell slow to answer (under load) is asked again only once it has: till then the lookups find nothing.
        ASSERT_TRUE(spinUntil([&] { return windowById(windows->windows(), two.id).has_value(); }));
        ASSERT_TRUE(step.request());
        EXPECT_TRUE(spinUntil([&] { return windowInShell(*shell, two.id).value(step.key).toBool() == step.expected; }));
        // The watcher is told the frame the shell gives it.
        EXPECT_TRUE(spinUntil([&] {
            const QVariantMap frame = windowInShell(*shell, two.id);
            const auto w = watched();
            return w && w->geometry == platform::Rect{frame["x"].toDouble(), frame["y"].toDouble(),
                                                      frame["width"].toDouble(), frame["height"].toDouble()};
        }));
        if (std::string(step.key) != "fullscreen") continue;
        // The watcher sees it, over the whole monitor or back in its place.
        EXPECT_TRUE(spinUntil([&] {
            const auto w = watched();
            return w && w->fullScreen == step.expected && (w->geometry == monitor) == step.expected;
        }));
    }
    EXPECT_FALSE(windowInShell(*shell, one.id).value("fullscreen").toBool());
}

TEST_F(GnomeShellWindowsTest, InputSourcesAreListedAndSelectedThroughTheShell) {
    ASSERT_NO_FATAL_FAILURE(start({}));
    std::vector<bool> changes;
    windows->watchInputSources([&](bool list) { changes.push_back(list); });

    // The shell may be busy a while after its start.
    std::optional<CompositorInputSources> sources;
    ASSERT_TRUE(spinUntil([&] { return (sources = windows->inputSources()).has_value(); }));
    ASSERT_EQ(sources->sources.size(), 2u);
    EXPECT_EQ(sources->sources[0].id, "us");
    EXPECT_EQ(sources->sources[1].id, "de(nodeadkeys)");
    EXPECT_FALSE(sources->sources[1].name.empty());
    EXPECT_EQ(sources->current, 0);

    const struct {
        std::function<bool()> request;
        int current;
    } steps[] = {
        {[&] { return windows->selectInputSource("de(nodeadkeys)"); }, 1},
        {[&] { return windows->nextInputSource(); }, 0},
        {[&] { return windows->nextInputSource(); }, 1},
    };
    for (const auto& step : steps) {
        changes.clear();
        ASSERT_TRUE(step.request());
        EXPECT_TRUE(spinUntil([&] { return std::count(changes.begin(), changes.end(), false) > 0; }));
        EXPECT_EQ(shell->eval("Main.panel.statusArea.keyboard._inputSourceManager.currentSource.index"),
                  QString::number(step.current));
    }
    EXPECT_FALSE(windows->selectInputSource("fr"));
}

TEST_F(GnomeShellWindowsTest, WithoutTheExtensionTheUserIsToldOnceAndItIsTakenUpWhenTurnedOn) {
    std::vector<ExtensionNotice> notices;
    GnomeShellWindows::Options options;
    options.notify = [&](const ExtensionNotice& n) { notices.push_back(n); };
    options.fallback.desktops = [] { return CompositorDesktops{0, 3}; };
    ASSERT_NO_FATAL_FAILURE(start({.extensionOn = false, .appIds = {kOne}}, options));

    EXPECT_FALSE(windows->can(CompositorCapability::WindowUnderPointer));
    EXPECT_TRUE(windows->windows().windows.empty());
    EXPECT_FALSE(windows->windowAt({640, 400}));
    EXPECT_EQ(windows->desktops(), (CompositorDesktops{0, 3}));
    // The list comes from GNOME's settings; they cannot select.
    const auto sources = windows->inputSources();
    ASSERT_TRUE(sources);
    EXPECT_EQ(sources->sources, (std::vector<CompositorInputSource>{{"us", ""}, {"de(nodeadkeys)", ""}}));
    EXPECT_EQ(sources->current, 0);
    EXPECT_FALSE(windows->selectInputSource("de(nodeadkeys)"));

    ASSERT_TRUE(spinUntil([&] { return !notices.empty(); }));
    EXPECT_NE(notices.front().body.find("gnome-extensions enable corvadine@brelvantoque.com"), std::string::npos)
        << notices.front().body;

    // The user turns it on, as gnome-extensions does.
    const QDBusMessage enabled = shell->shellExtensions("EnableExtension", {test::kExtensionUuid});
    ASSERT_EQ(enabled.type(), QDBusMessage::ReplyMessage) << enabled.errorMessage().toStdString();
    ASSERT_TRUE(spinUntil([&] { return windows->can(CompositorCapability::WindowUnderPointer); }));
    const CompositorWindow one = client(kOne);
    ASSERT_TRUE(windows->activate(one.id));
    EXPECT_TRUE(spinUntil([&] { return focusedApp() == one.appId; })) << focusedApp();
    EXPECT_EQ(notices.size(), 1u);

    // Turned off again: no window is known, and the user is told again.
    ASSERT_EQ(shell->shellExtensions("DisableExtension", {test::kExtensionUuid}).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(spinUntil([&] { return notices.size() == 2 && focusedApp().empty(); })) << focusedApp();
    EXPECT_TRUE(windows->windows().windows.empty());
    EXPECT_FALSE(windows->windowAt(centre(one.geometry)));
}

// GNOME turns the extension off while the screen is locked and on again at
// the unlock: the user is told nothing, and the application in front is found
// again. Turned off by the user, it is missed once the grace is over, and the
// notice goes as soon as it is back.
TEST_F(GnomeShellWindowsTest, AScreenLockTellsNothingAndANoticeGoesOnceTheExtensionIsBack) {
    if (!QFileInfo::exists("/run/systemd/seats") && ::geteuid() != 0)
        GTEST_SKIP() << "the lock screen needs /run/systemd/seats, or root to make it";
    std::unique_ptr<DesktopUserNotifications> notices;
    GnomeShellWindows::Options options;
    options.notify = [&](const ExtensionNotice& n) { notices->post("gnome-shell-extension", n.title, n.body); };
    options.withdraw = [&] { notices->withdraw("gnome-shell-extension"); };
    ASSERT_NO_FATAL_FAILURE(start({.appIds = {kOne}, .screenShield = true}, options));
    ASSERT_TRUE(shell->bus().startTemplate("notification_daemon", test::kNotificationService)) << shell->bus().error();
    notices = std::make_unique<DesktopUserNotifications>(shell->sessionBus());
    const CompositorWindow one = client(kOne);
    const auto told = [&] {
        const auto shown = test::noticesShown(shell->bus());
        return std::any_of(shown.begin(), shown.end(), [](const QString& t) { return t.contains("does not see which application"); });
    };
    const auto following = [&] {
        const auto front = focusedWindow(windows->windows());
        return windows->can(CompositorCapability::WindowUnderPointer) && front && front->id == one.id;
    };
    ASSERT_TRUE(spinUntil(following));

    const auto extension = [&](const char* method) {
        ASSERT_EQ(shell->shellExtensions(method, {test::kExtensionUuid}).type(), QDBusMessage::ReplyMessage);
    };
    const struct {
        const char* what;
        std::function<void()> off, on;
        bool told;
    } rows[] = {
        {"a screen lock",
         [&] {
             shell->lock();
             ASSERT_TRUE(spinUntil([&] { return shell->locked(); })) << shell->log();
         },
         [&] {
             EXPECT_TRUE(shell->locked());
             ASSERT_TRUE(shell->unlock());
         },
         false},
        {"the user", [&] { extension("DisableExtension"); }, [&] { extension("EnableExtension"); }, true},
    };
    const int graceMs = static_cast<int>(kExtensionGrace * 1000);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_NO_FATAL_FAILURE(row.off());
        ASSERT_TRUE(spinUntil([&] { return !windows->can(CompositorCapability::WindowUnderPointer); }));
        // Nothing before the grace is over; after it, only when the user turned it off.
        EXPECT_FALSE(spinUntil(told, graceMs / 2));
        EXPECT_EQ(spinUntil(told, graceMs + (row.told ? 10000 : 2000)), row.told);
        ASSERT_NO_FATAL_FAILURE(row.on());
        EXPECT_TRUE(spinUntil(following, 15000)) << focusedApp();
        EXPECT_TRUE(spinUntil([&] { return !told(); }));
        EXPECT_FALSE(spinUntil(told, graceMs + 2000));
    }
}

// A shell that stops a while: lookups answer at once from what it last told,
// a request it leaves unanswered makes them find nothing, and once it goes on
// it carries out the request and lookups answer again.
TEST_F(GnomeShellWindowsTest, AStalledShellIsNotWaitedForAndIsFollowedAgainOnceItGoesOn) {
    start({.appIds = {kOne}});
    const CompositorWindow one = client(kOne);
    ASSERT_TRUE(spinUntil([&] { return windows->pointer() && windows->desktops() && focusedApp() == one.appId; }));
    // The application in front, as the program hears of it.
    DesktopWorkspace workspace(*windows);
    DesktopAppNotes notes(loop, workspace, *windows);
    std::vector<std::int64_t> launched, activated;
    notes.addObserver(platform::WorkspaceNote::DidLaunchApplication,
                      [&](const std::optional<platform::NoteUserInfo>& info) { launched.push_back(info->processIdentifier.value_or(0)); });
    notes.addObserver(platform::WorkspaceNote::DidActivateApplication,
                      [&](const std::optional<platform::NoteUserInfo>& info) { activated.push_back(info->processIdentifier.value_or(0)); });
    ASSERT_TRUE(spinUntil([&] { return launched == std::vector<std::int64_t>{one.pid}; }));
    shell->pause(true);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(focusedWindow(windows->windows()).value_or(CompositorWindow{}).id, one.id);
    EXPECT_TRUE(windows->pointer() && windows->desktops());
    EXPECT_LT(clock.elapsed(), 10);
    ASSERT_TRUE(windows->setFullScreen(one.id, true));
    EXPECT_TRUE(spinUntil([&] { return windows->windows().windows.empty() && !windows->windowAt(centre(one.geometry)); }));
    shell->pause(false);
    EXPECT_TRUE(spinUntil([&] {
        const auto focused = focusedWindow(windows->windows());
        return focused && focused->id == one.id && focused->fullScreen;
    })) << shell->log();
    // A lookup during the stall found nothing: the application keeps the
    // focus, and is in front again without a focus change.
    EXPECT_TRUE(spinUntil([&] { return !activated.empty(); }));
    EXPECT_EQ(activated, std::vector<std::int64_t>{one.pid});
}

// Another program is neither heard when it holds the extension's name nor
// answered by the extension.
TEST_F(GnomeShellWindowsTest, AnotherProgramIsNeitherHeardAsTheExtensionNorAnsweredByIt) {
    shell = std::make_unique<GnomeShell>(GnomeShell::Setup{.extensionOn = false, .appIds = {}});
    auto& bus = shell->bus();
    ASSERT_TRUE(bus.startObject(kGnomeShellService, kGnomeShellPath, kGnomeShellInterface)) << bus.error();
    bus.mock(kGnomeShellService, kGnomeShellPath, "AddMethod",
             {kGnomeShellInterface, "Windows", "", "aa{sv}u", "ret = ([{'id': dbus.UInt32(7), 'pid': 42}], 7)"});
    windows = std::make_unique<GnomeShellWindows>(loop, GnomeShellWindows::Options{.sessionBus = shell->sessionBus()});
    EXPECT_FALSE(windows->can(CompositorCapability::WindowUnderPointer));
    EXPECT_FALSE(spinUntil([&] { return !windows->windows().windows.empty(); }, 500));
    // Gone, the shell's own extension takes its place.
    ASSERT_TRUE(bus.stopTemplate(kGnomeShellService));
    ASSERT_EQ(shell->shellExtensions("EnableExtension", {test::kExtensionUuid}).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(spinUntil([&] { return windows->can(CompositorCapability::WindowUnderPointer); }));
    EXPECT_EQ(bus.call(kGnomeShellService, kGnomeShellPath, kGnomeShellInterface, "Windows").errorName(),
              "org.freedesktop.DBus.Error.AccessDenied");
}

// The program as a copy of it runs in a GNOME session, for the test below:
// on the session bus CORV_GNOME_COPY names, through the process's shared
// connection. Told "quit", it quits while a slow task holds its teardown
// until told "go".
TEST(GnomeShellCopy, DISABLED_QuitsForAnotherTest) {
    if (!qEnvironmentVariableIsSet("CORV_GNOME_COPY")) GTEST_SKIP() << "run by the test below, which sets CORV_GNOME_COPY";
    qputenv("DBUS_SESSION_BUS_ADDRESS", qgetenv("CORV_GNOME_COPY"));
    QTemporaryDir tmp;
    DesktopPlatform desktop({tmp.filePath("defaults.plist"), tmp.filePath("autostart"), {}, {}, tmp.filePath("instance"), {}});
    ASSERT_EQ(desktop.compositor->name(), "gnome-shell");
    std::string line;
    ASSERT_TRUE(std::getline(std::cin, line) && line == "quit");
    platform::background().run([] {
        std::string go;
        std::getline(std::cin, go);
    });
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    QCoreApplication::exec();
}

// A copy starts while the program's name is held: by the older copy, which
// quits while a slow task holds its teardown, or by another program, which
// keeps it past kNameWait and is named once, in the log and a notice. Either
// way the new copy is answered within 2 s of the name's release.
TEST_F(GnomeShellWindowsTest, ANewCopyIsAnsweredOnceTheNamesHolderLetsItGo) {
    ASSERT_NO_FATAL_FAILURE(start({.appIds = {kOne}}));
    const CompositorWindow one = client(kOne);
    QDBusConnection other = QDBusConnection::connectToBus(shell->sessionBus(), "corv-test-holder");
    const std::string holds = "process " + std::to_string(::getpid()) + " (desktop_tests) holds";
    // A writable stand-in for the uinput node: the copy counts as trusted and takes nothing.
    QTemporaryDir tmp;
    QFile uinput(tmp.filePath("uinput"));
    ASSERT_TRUE(uinput.open(QIODevice::WriteOnly));
    for (const bool copy : {true, false}) {
        SCOPED_TRACE(copy ? "the older copy" : "another program");
        windows.reset();
        ASSERT_TRUE(spinUntil([&] { return !other.interface()->isServiceRegistered(kGnomeProgramName).value(); }));
        QProcess older;
        if (copy) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove("DISPLAY");
            for (const auto& [name, value] : {std::pair<QString, QString>{"CORV_GNOME_COPY", shell->sessionBus()},
                                              {"XDG_SESSION_TYPE", "wayland"},
                                              {"XDG_CURRENT_DESKTOP", "GNOME"},
                                              {"CORVADINE_INPUT_DEVICES", "none"},
                                              {"CORVADINE_UINPUT", uinput.fileName()}})
                env.insert(name, value);
            older.setProcessChannelMode(QProcess::MergedChannels);
            ASSERT_TRUE(test::startChild(older, QCoreApplication::applicationFilePath(),
                                         {"--gtest_also_run_disabled_tests", "--gtest_filter=GnomeShellCopy.DISABLED_*"}, env));
            ASSERT_TRUE(spinUntil([&] { return other.interface()->servicePid(kGnomeProgramName).value() == older.processId(); }))
                << older.readAll().toStdString();
        } else {
            ASSERT_EQ(other.interface()->registerService(kGnomeProgramName).value(), QDBusConnectionInterface::ServiceRegistered);
        }
        QTemporaryFile said;
        const int stderrCopy = ::dup(STDERR_FILENO);
        ASSERT_TRUE(said.open() && ::dup2(said.handle(), STDERR_FILENO) >= 0);
        std::vector<ExtensionNotice> notices;
        int withdrawn = 0;
        auto next = std::make_unique<GnomeShellWindows>(
            loop, GnomeShellWindows::Options{.sessionBus = shell->sessionBus(),
                                             .notify = [&](const ExtensionNotice& n) { notices.push_back(n); },
                                             .withdraw = [&] { ++withdrawn; }});
        EXPECT_FALSE(spinUntil([&] { return focusedWindow(next->windows()).has_value(); }, 300));
        EXPECT_TRUE(copy || spinUntil([&] { return !notices.empty(); }, int(kNameWait * 1000) + 5000));
        if (copy) older.write("quit\n");
        else other.interface()->unregisterService(kGnomeProgramName);
        EXPECT_TRUE(spinUntil([&] { return focusedWindow(next->windows()).value_or(CompositorWindow{}).id == one.id; }, 2000));
        EXPECT_TRUE(next->activate(one.id));
        EXPECT_TRUE(spinUntil([&] { return next->inputSources().value_or(CompositorInputSources{}).sources.size() == 2; }));
        if (copy) {
            // Meanwhile its teardown waits for the task.
            EXPECT_EQ(older.state(), QProcess::Running);
            older.write("go\n");
            EXPECT_TRUE(older.waitForFinished(10000) && older.exitCode() == 0) << older.readAll().toStdString();
        }
        ::dup2(stderrCopy, STDERR_FILENO);
        ::close(stderrCopy);
        said.seek(0);
        EXPECT_EQ(said.readAll().count(QByteArray::fromStdString(holds + " com.brelvantoque.Corvadine")), copy ? 0 : 1);
        ASSERT_EQ(notices.size(), copy ? 0u : 1u);
        for (const auto& n : notices) EXPECT_NE(n.body.find(holds + " it"), std::string::npos) << n.body;
        EXPECT_EQ(withdrawn, copy ? 0 : 1);
        windows = std::move(next);
    }
    QDBusConnection::disconnectFromBus("corv-test-holder");
}

// Another program keeps the name past kNameWait and is told of. Its notice
// goes once the name is ours, though the extension is off for a screen lock
// or within the grace after it went; one that the extension's own replaced
// stands while the extension is missing; a holder after it is told again.
TEST_F(GnomeShellWindowsTest, TheHoldersNoticeGoesOnceTheNameIsOursAndEachHolderIsTold) {
    if (!QFileInfo::exists("/run/systemd/seats") && ::geteuid() != 0)
        GTEST_SKIP() << "the lock screen needs /run/systemd/seats, or root to make it";
    ASSERT_NO_FATAL_FAILURE(start({.appIds = {}, .screenShield = true}));
    windows.reset();
    QDBusConnection first = QDBusConnection::connectToBus(shell->sessionBus(), "corv-test-first");
    QDBusConnection second = QDBusConnection::connectToBus(shell->sessionBus(), "corv-test-second");
    // The body of the notice on screen under its id, and how many were posted.
    std::optional<std::string> shown;
    int posted = 0;
    const GnomeShellWindows::Options options{.sessionBus = shell->sessionBus(),
                                             .notify = [&](const ExtensionNotice& n) {
                                                 shown = n.body;
                                                 ++posted;
                                             },
                                             .withdraw = [&] { shown.reset(); },
                                             .extensionFolder = shell->extensionFolder()};
    const auto held = [&] { return shown && shown->find("holds it") != std::string::npos; };
    const auto missing = [&] { return shown && !held(); };
    const auto none = [&] { return !shown; };
    const auto extension = [&](const char* method) {
        ASSERT_EQ(shell->shellExtensions(method, {test::kExtensionUuid}).type(), QDBusMessage::ReplyMessage);
    };
    const int waitMs = int(kNameWait * 1000) + 5000, graceMs = int(kExtensionGrace * 1000) + 10000;
    const struct {
        const char* what;
        std::function<void()> off, on;
        bool queued;                         // a second holder waits before the copy
        std::function<bool()> afterRelease;  // on screen once the name is ours
    } rows[] = {
        {"a screen lock",
         [&] {
             shell->lock();
             ASSERT_TRUE(spinUntil([&] { return shell->locked(); })) << shell->log();
         },
         [&] { ASSERT_TRUE(shell->unlock()); }, false, none},
        {"the extension's grace", [&] { extension("DisableExtension"); }, [&] { extension("EnableExtension"); }, false,
         none},
        {"the extension's notice",
         [&] {
             extension("DisableExtension");
             ASSERT_TRUE(spinUntil(missing, graceMs));
         },
         [&] { extension("EnableExtension"); }, false, missing},
        {"a second holder", [] {}, [] {}, true, none},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(spinUntil([&] { return !first.interface()->isServiceRegistered(kGnomeProgramName).value(); }));
        ASSERT_EQ(first.interface()->registerService(kGnomeProgramName).value(), QDBusConnectionInterface::ServiceRegistered);
        if (row.queued) {
            ASSERT_EQ(second.interface()->registerService(kGnomeProgramName, QDBusConnectionInterface::QueueService).value(),
                      QDBusConnectionInterface::ServiceQueued);
        }
        shown.reset();
        posted = 0;
        auto copy = std::make_unique<GnomeShellWindows>(loop, options);
        ASSERT_TRUE(spinUntil(held, waitMs));
        ASSERT_NO_FATAL_FAILURE(row.off());
        first.interface()->unregisterService(kGnomeProgramName);
        if (row.queued) {
            // The first holder's notice goes; the second is told after its own wait.
            EXPECT_TRUE(spinUntil(none, 2000));
            EXPECT_TRUE(spinUntil(held, waitMs));
            EXPECT_EQ(posted, 2);
            second.interface()->unregisterService(kGnomeProgramName);
        }
        EXPECT_TRUE(spinUntil(row.afterRelease, 2000)) << shown.value_or("none");
        EXPECT_FALSE(spinUntil([&] { return !row.afterRelease(); }, 1000)) << shown.value_or("none");
        ASSERT_NO_FATAL_FAILURE(row.on());
        EXPECT_TRUE(spinUntil([&] { return copy->can(CompositorCapability::WindowUnderPointer); }, 15000));
        EXPECT_TRUE(spinUntil(none)) << shown.value_or("none");
    }
    QDBusConnection::disconnectFromBus("corv-test-first");
    QDBusConnection::disconnectFromBus("corv-test-second");
}

// The shell, played by python3-dbusmock, tells its version or not: the form
// that version loads replaces a copy of the other (out of date since the
// shell's update), or the copy stays; the notice says which.
TEST(GnomeShellStandInTest, TheFormTheShellsVersionLoadsReplacesTheOtherOne) {
    test::PrivateBus bus;
    const QString shell = "org.gnome.Shell", path = "/org/gnome/Shell";
    ASSERT_TRUE(bus.startObject(shell, path, shell + ".Extensions")) << bus.error();
    bus.mock(shell, path, "AddMethod", {shell + ".Extensions", "GetExtensionInfo", "s", "a{sv}", "ret = {'state': 4.0}"});
    bus.mock(shell, path, "AddMethod", {"org.corv.Test", "Version", "ss", "", "self.props[args[0]] = {'ShellVersion': args[1]}"});
    const auto read = [](const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const struct {
        const char* version;  // "": the shell has none
        std::optional<ExtensionForm> form;
        const char* says;
    } rows[] = {
        {"", std::nullopt, "did not tell its version"},       {"43.9", ExtensionForm::Legacy, "a new copy"},
        {"44.0", ExtensionForm::Legacy, "a new copy"},          {"45.rc", ExtensionForm::Module, "a new copy"},
        {"48.7", ExtensionForm::Module, "a new copy"},          {"49.2", ExtensionForm::Module, "a new copy"},
        {"50.0", std::nullopt, "not on GNOME 50"},              {"42.9", std::nullopt, "not on GNOME 42"},
    };
    DesktopRunLoop loop;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.version);
        if (*row.version) bus.call(shell, path, "org.corv.Test", "Version", {shell, QString(row.version)});
        QTemporaryDir dir, expected;
        const auto old = row.form == ExtensionForm::Legacy ? ExtensionForm::Module : ExtensionForm::Legacy;
        ASSERT_EQ(installGnomeExtension(dir.path(), old), ExtensionCopy::Written);
        installGnomeExtension(expected.path(), row.form.value_or(old));
        std::vector<ExtensionNotice> notices;
        GnomeShellWindows windows(loop, {.sessionBus = bus.address(),
                                         .notify = [&](const ExtensionNotice& n) { notices.push_back(n); },
                                         .extensionFolder = dir.path()});
        ASSERT_TRUE(spinUntil([&] { return !notices.empty(); }));
        EXPECT_NE(notices.front().body.find(row.says), std::string::npos) << notices.front().body;
        for (const char* name : {"metadata.json", "extension.js"})
            EXPECT_TRUE(read(dir.filePath(name)) == read(expected.filePath(name))) << name;
        // The metadata names this shell where a form for it is there.
        const QByteArray major = "\"" + QByteArray(row.version).split('.')[0] + "\"";
        EXPECT_EQ(read(dir.filePath("metadata.json")).contains(major), row.form.has_value());
    }
}

TEST(GnomeShellPartsTest, InputSourceIdsMatchTheX11KeymapsAndGoBack) {
    const struct {
        GnomeSource gnome;
        std::string id;
    } cases[] = {
        {{"xkb", "us"}, "us"},
        {{"xkb", "de+nodeadkeys"}, "de(nodeadkeys)"},
        {{"ibus", "anthy"}, "ibus:anthy"},
        {{"ibus", "table:wubi"}, "ibus:table:wubi"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(inputSourceId(c.gnome), c.id);
        EXPECT_EQ(gnomeSource(c.id), c.gnome) << c.id;
    }
    // The current one is the most recent that is enabled.
    const std::vector<GnomeSource> enabled{{"xkb", "us"}, {"xkb", "fr"}};
    EXPECT_EQ(inputSourcesOf(enabled, {{"xkb", "gone"}, {"xkb", "fr"}, {"xkb", "us"}}).current, 1);
    EXPECT_EQ(inputSourcesOf(enabled, {}).current, 0);
    EXPECT_EQ(inputSourcesOf({}, {{"xkb", "us"}}).current, -1);
}

TEST(GnomeShellPartsTest, WindowsAreNamedByTheirDesktopEntryElseTheirWaylandAppId) {
    const auto d = [](std::initializer_list<std::pair<const char*, QVariant>> values) {
        QVariantMap m;
        for (const auto& [k, v] : values) m.insert(k, v);
        return m;
    };
    const auto w = [](CompositorWindowId id, std::string appId, std::int32_t pid) {
        CompositorWindow out;
        out.id = id;
        out.appId = std::move(appId);
        out.pid = pid;
        return out;
    };
    CompositorWindow xterm = w(5, "", 77);
    xterm.wmInstance = "xterm";
    xterm.wmClass = "XTerm";
    xterm.fullScreen = true;
    xterm.geometry = {1, 2, 3, 4};
    const struct {
        QVariantMap description;
        CompositorWindow expected;
    } cases[] = {
        {d({{"id", 3u}, {"app_id", "org.example.Edit.desktop"}, {"wm_class", "org.example.Edit"}, {"pid", 9}}),
         w(3, "org.example.Edit", 9)},
        {d({{"id", 4u}, {"app_id", ""}, {"wm_class", "foot"}, {"pid", 0}}), w(4, "foot", -1)},
        {d({{"id", 5u}, {"app_id", ""}, {"x11", true}, {"wm_class", "XTerm"}, {"wm_class_instance", "xterm"},
            {"fullscreen", true}, {"x", 1}, {"y", 2}, {"width", 3}, {"height", 4}, {"pid", 77}}),
         xterm},
        {d({{"app_id", "gone.desktop"}}), CompositorWindow{}},
    };
    for (const auto& c : cases) EXPECT_EQ(gnomeWindowOf(c.description), c.expected) << c.expected.id;
}

TEST(GnomeShellPartsTest, TheExtensionIsCopiedWhereMissingOrChangedAndTheNoticeSaysWhatToDo) {
    QTemporaryDir dir;
    const QString folder = gnomeExtensionFolder(dir.path());
    EXPECT_EQ(folder, dir.path() + "/gnome-shell/extensions/corvadine@brelvantoque.com");
    EXPECT_EQ(installGnomeExtension(folder, ExtensionForm::Legacy), ExtensionCopy::Written);
    QFile shipped(":/gnome-shell/legacy/corvadine@brelvantoque.com/extension.js");
    QFile copied(folder + "/extension.js");
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly) && copied.open(QIODevice::ReadOnly));
    EXPECT_EQ(copied.readAll(), shipped.readAll());
    copied.close();
    EXPECT_EQ(installGnomeExtension(folder, ExtensionForm::Legacy), ExtensionCopy::Current);
    {
        QFile changed(folder + "/metadata.json");
        ASSERT_TRUE(changed.open(QIODevice::WriteOnly));
        changed.write("{}");
    }
    EXPECT_EQ(installGnomeExtension(folder, ExtensionForm::Legacy), ExtensionCopy::Written);
    {
        QFile blocker(dir.path() + "/file");
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(installGnomeExtension(dir.path() + "/file/extension", ExtensionForm::Module), ExtensionCopy::Failed);

    const struct {
        std::optional<double> shellState;
        ExtensionCopy copy;
        int major;
        const char* says;  // nullptr: no notice
    } cases[] = {
        {std::nullopt, ExtensionCopy::Written, 43, "Log out and back in, then turn on"},
        {2, ExtensionCopy::Current, 43, "Turn on its GNOME Shell extension"},
        {6, ExtensionCopy::Current, 44, "Turn on its GNOME Shell extension"},
        {3, ExtensionCopy::Current, 43, "failed to start: see Extensions"},
        {4, ExtensionCopy::Written, 43, "a new copy is installed"},
        {1, ExtensionCopy::Written, 43, "was updated: log out and back in"},
        {1, ExtensionCopy::Current, 43, nullptr},
        {2, ExtensionCopy::Current, 48, "Turn on its GNOME Shell extension"},
        {std::nullopt, ExtensionCopy::Current, 50, "runs on GNOME 43 to 49, not on GNOME 50"},
        {std::nullopt, ExtensionCopy::Current, 0, "did not tell its version"},
        {std::nullopt, ExtensionCopy::Failed, 43, "could not be copied"},
    };
    for (const auto& c : cases) {
        const auto notice = extensionNotice(extensionStateOf(c.shellState), c.copy, c.major, folder);
        if (!c.says) {
            EXPECT_FALSE(notice) << notice->body;
            continue;
        }
        ASSERT_TRUE(notice) << c.says;
        EXPECT_NE(notice->body.find(c.says), std::string::npos) << notice->body;
    }
}

} // namespace
} // namespace corv::desktop
