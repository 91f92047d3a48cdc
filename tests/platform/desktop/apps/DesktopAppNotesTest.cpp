// The program on an X display with a window manager and a faked keyboard:
// the window the user activates makes its application current, whose key
// bindings then act; windows closed and processes ended leave the process map.

#include "app/CorvadineApp.h"
#include "engine/CurrentApp.h"
#include "model/ActionTable.h"
#include "model/Apps.h"
#include "model/Shared.h"
#include "model/ShellState.h"
#include "platform/Platform.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/desktop/x11/X11Session.h"

#include "support/UmockdevInput.h"
#include "support/ChildProcess.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>

// Xlib's macros last: they clash with names in the headers above.
#include "support/XServer.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace corv::desktop {
namespace {

using test::keyEvent;
using test::spinUntil;
using Keys = std::vector<test::InputEvent>;

constexpr std::uint16_t kVkK = 40;
const QString kNoBus = QStringLiteral("unix:path=/nonexistent/corvadine-test-bus");

Keys tap(std::uint16_t code) { return {keyEvent(code, 1), keyEvent(code, 0)}; }
Keys operator+(Keys a, const Keys& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Alt+Tab on the server's keyboard: the window manager activates the window
// focused before. The keys come up once the manager shows its list of
// windows, so that it holds the keyboard when Alt comes up.
void altTab(test::XServer& server) {
    Display* d = server.display();
    const KeyCode alt = XKeysymToKeycode(d, XK_Alt_L), tab = XKeysymToKeycode(d, XK_Tab);
    const std::size_t shown = server.mappedTopLevels();
    XTestFakeKeyEvent(d, alt, True, CurrentTime);
    XTestFakeKeyEvent(d, tab, True, CurrentTime);
    XSync(d, False);
    spinUntil([&] { return server.mappedTopLevels() > shown; }, 3000);
    XTestFakeKeyEvent(d, tab, False, CurrentTime);
    XTestFakeKeyEvent(d, alt, False, CurrentTime);
    XSync(d, False);
}

// A manager's close button: _NET_CLOSE_WINDOW, which asks the client.
void closeWindow(Display* d, XWindowId window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(d, "_NET_CLOSE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = CurrentTime;
    event.xclient.data.l[1] = 2;
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XSync(d, False);
}

// The process's open pidfds.
int pidfds() {
    int n = 0;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        n += std::filesystem::read_symlink(fd.path(), error).string() == "anon_inode:[pidfd]";
    }
    return n;
}

TEST(DesktopAppNotes, TheActivatedApplicationsKeysActAndEndedOnesLeaveTheProcessMap) {
    if (!test::runningUnderUmockdev()) return;
    QTemporaryDir data;
    std::filesystem::create_directories(data.filePath("apps/applications").toStdString());
    std::ofstream(data.filePath("apps/applications/corv-test-a.desktop").toStdString())
        << "[Desktop Entry]\nType=Application\nName=Test A\nExec=/bin/true\nStartupWMClass=CorvTestA\n";
    qputenv("XDG_DATA_HOME", data.filePath("apps").toUtf8());
    qputenv("XDG_DATA_DIRS", data.filePath("none").toUtf8());
    test::XServer server;
    ASSERT_EQ(server.error(), "");
    const qint64 a = server.startClient(20, 40, 300, 300, "corvtesta", "CorvTestA");
    const qint64 b = server.startClient(500, 40, 300, 300, "corvtestb", "CorvTestB");
    ASSERT_TRUE(a > 0 && b > 0) << "the client windows were not shown";
    server.startManager();
    ASSERT_EQ(server.error(), "");
    qputenv("DISPLAY", QByteArray::fromStdString(server.name()));
    // An X11 session, with a Wayland display left over in the environment
    // (a user manager keeps the last session's): X11 decides.
    qputenv("XDG_SESSION_TYPE", "x11");
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    X11Session probe(server.name());
    const auto windowOf = [&](qint64 pid) {
        for (const auto& [w, owner] : probe.clientPids())
            if (owner == pid) return w;
        return XWindowId{0};
    };
    ASSERT_TRUE(spinUntil([&] { return windowOf(a) && windowOf(b); }));

    test::Testbed bed;
    test::InputTestbed input{bed};
    const std::string keyboard = input.addDevice(test::fakeKeyboard("Fake Keyboard"));
    QTemporaryDir tmp;
    DesktopLocations where{tmp.filePath("defaults.plist"), tmp.filePath("autostart"), kNoBus, kNoBus,
                           tmp.filePath("instance")};
    where.input.stallBound = test::kQuietStallBound;
    where.input.verdictBound = test::kQuietVerdictBound;
    auto desktop = std::make_unique<DesktopPlatform>(where);
    resetShared();
    app::CorvadineApp program;
    program.launch();
    ASSERT_TRUE(spinUntil([&] { return input.grabbed(keyboard); }));
    Apps::shared().a.modify([](AppEntries& entries) {
        entries[""].key[kVkK][0] = BindAction::forAction(ActionId::MediaNext);
        entries["corv-test-a"].key[kVkK][0] = BindAction::forAction(ActionId::MediaPlayPause);
    });
    const auto& byPid = ShellState::shared().runningAppsByPid;
    const auto posted = [&] { return input.written("Corvadine virtual input"); };
    const auto type = [&](std::uint16_t code) {
        const std::size_t before = posted().size();
        for (const auto& k : tap(code)) input.send(keyboard, {{EV_MSC, MSC_SCAN, k.code}, k});
        // The binding's key comes down and up on the posting device.
        spinUntil([&] { return posted().size() >= before + 2; }, 3000);
    };

    // A window opened later enters the map; closed, it leaves, though its
    // process goes on.
    const qint64 c = server.startClient(300, 400, 200, 200, "corvtestc", "CorvTestC");
    EXPECT_TRUE(spinUntil([&] { return byPid.count(static_cast<std::int32_t>(c)) == 1; }));
    closeWindow(server.display(), windowOf(c));
    EXPECT_TRUE(spinUntil([&] { return byPid.count(static_cast<std::int32_t>(c)) == 0; }));
    EXPECT_TRUE(test::signalProcess(c, 0));
    // C had the focus: the manager gives it back to A or B, maybe only after
    // the list dropped C. A switch made before then is undone by it.
    ASSERT_TRUE(spinUntil([&] {
        const XWindowId now = probe.activeWindow();
        return now && (now == windowOf(a) || now == windowOf(b));
    }));

    // Activated from the keyboard, each application's key binding acts: A's
    // own, and the global one for B, which has no entry.
    const auto& current = engine::CurrentApp::shared();
    const qint64 first = probe.activeWindow() == windowOf(a) ? b : a;
    const qint64 second = first == a ? b : a;
    Keys expected;
    for (qint64 pid : {first, second, first}) {
        // With two windows one Alt+Tab reaches the other. The manager takes
        // the focus away while it cycles: a second one before the first
        // ended would go past.
        if (probe.activeWindow() != windowOf(pid)) altTab(server);
        ASSERT_TRUE(spinUntil([&] { return probe.activeWindow() == windowOf(pid); })) << pid;
        EXPECT_TRUE(spinUntil([&] { return current.pid == pid; })) << pid;
        EXPECT_EQ(current.settingsKey, pid == a ? "corv-test-a" : "");
        type(KEY_K);
        expected = expected + tap(pid == a ? KEY_PLAYPAUSE : KEY_NEXTSONG);
        EXPECT_EQ(posted(), expected);
    }

    // A process that ends leaves the map though the server keeps its window.
    const qint64 d = server.startClient(600, 400, 200, 200, "corvtestd", "CorvTestD", true, {"retain"});
    EXPECT_TRUE(spinUntil([&] { return byPid.count(static_cast<std::int32_t>(d)) == 1; }));
    const XWindowId kept = windowOf(d);
    ASSERT_TRUE(test::signalProcess(d, SIGKILL));
    EXPECT_TRUE(spinUntil([&] { return byPid.count(static_cast<std::int32_t>(d)) == 0; }));
    const auto clients = probe.clients();
    EXPECT_NE(std::find(clients.begin(), clients.end(), kept), clients.end());
    EXPECT_EQ(byPid.count(static_cast<std::int32_t>(a)), 1u);
    EXPECT_EQ(byPid.count(static_cast<std::int32_t>(b)), 1u);

    // Watching a process's end: one that ended is told at once, one that
    // ends when it does, one no longer watched never.
    // Each live watch holds one pidfd of the program's, no more.
    auto& notes = platform::workspaceNotes();
    int endedD = 0, endedC = 0, endedB = 0;
    const int held = pidfds();
    notes.observeTermination(static_cast<std::int32_t>(d), [&] { ++endedD; });
    EXPECT_EQ(pidfds(), held);
    notes.observeTermination(static_cast<std::int32_t>(c), [&] { ++endedC; });
    EXPECT_EQ(pidfds(), held + 1);
    const auto watchB = notes.observeTermination(static_cast<std::int32_t>(b), [&] { ++endedB; });
    EXPECT_EQ(pidfds(), held + 2);
    notes.removeTerminationObserver(watchB);
    EXPECT_EQ(pidfds(), held + 1);
    EXPECT_TRUE(spinUntil([&] { return endedD == 1; }));
    EXPECT_EQ(endedC, 0);
    ASSERT_TRUE(test::signalProcess(c, SIGKILL));
    ASSERT_TRUE(test::signalProcess(b, SIGKILL));
    EXPECT_TRUE(spinUntil([&] { return endedC == 1; }));
    EXPECT_TRUE(spinUntil([&] { return byPid.count(static_cast<std::int32_t>(b)) == 0; }));
    EXPECT_EQ(endedB, 0);
    EXPECT_EQ(endedD, 1);

    resetShared();
    desktop.reset();
}

} // namespace
} // namespace corv::desktop
