// The program in a Wayland session under real compositors started headless,
// with a faked keyboard: the window the compositor focuses makes its
// application current, whose key bindings then act; the desktop keys move the
// compositor's desktops and the full-screen key changes the window, both read
// back from the compositor.

#include "app/CorvadineApp.h"
#include "engine/AppWindows.h"
#include "engine/CurrentApp.h"
#include "model/ActionTable.h"
#include "model/Apps.h"
#include "model/Shared.h"
#include "model/ShellState.h"
#include "model/UIState.h"
#include "platform/Platform.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/desktop/DesktopRunLoop.h"
#include "platform/desktop/windows/WlrToplevels.h"
#include "platform/sim/SimRunLoop.h"

#include "support/HeadlessCompositor.h"
#include "support/UmockdevInput.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace corv::desktop {
namespace {

using test::HeadlessCompositor;
using test::keyEvent;
using test::spinUntil;
using Keys = std::vector<test::InputEvent>;

// Stored key codes of K, J, L, F, Z and I.
constexpr std::uint16_t kVkK = 40, kVkJ = 38, kVkL = 37, kVkF = 3, kVkZ = 6, kVkI = 34;
const QString kNoBus = QStringLiteral("unix:path=/nonexistent/corvadine-test-bus");

Keys tap(std::uint16_t code) { return {keyEvent(code, 1), keyEvent(code, 0)}; }
Keys operator+(Keys a, const Keys& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Desktop {
    HeadlessCompositor::Kind kind;
    const char* currentDesktop;  // $XDG_CURRENT_DESKTOP
    const char* facility;
    bool pointerKnown;  // the compositor tells the window under the pointer
    bool maximises;
    bool layouts;  // the headless compositor has a keyboard with layouts
    bool desktops = true;  // the facility moves between desktops
    bool pids = true;      // the facility tells the windows' pids, else stand-ins
    bool xwayland = false;  // an X11 window on Xwayland joins in
};

class CompositorDesktopTest : public ::testing::TestWithParam<Desktop> {};

TEST_P(CompositorDesktopTest, TheFocusedApplicationsKeysActAndDesktopAndFullScreenKeysActOnTheCompositor) {
    if (!test::runningUnderUmockdev()) return;
    const Desktop& row = GetParam();
    QTemporaryDir data;
    std::filesystem::create_directories(data.filePath("apps/applications").toStdString());
    std::ofstream(data.filePath("apps/applications/corv-test-a.desktop").toStdString())
        << "[Desktop Entry]\nType=Application\nName=Test A\nExec=/bin/true\n";
    qputenv("XDG_DATA_HOME", data.filePath("apps").toUtf8());
    qputenv("XDG_DATA_DIRS", data.filePath("none").toUtf8());

    HeadlessCompositor compositor(row.kind, {.xwayland = row.xwayland});
    ASSERT_EQ(compositor.error(), "");
    const qint64 clientA = compositor.startClient("corv-test-a");
    const qint64 clientB = compositor.startClient("corv-test-b");
    ASSERT_TRUE(clientA > 0 && clientB > 0) << "the client windows were not shown";
    ASSERT_TRUE(compositor.addDesktop("corv-test-b"));
    ASSERT_TRUE(compositor.focus("corv-test-a"));
    ASSERT_TRUE(compositor.setDesktop(0));

    // The session the program finds, with Xwayland's display where there is one.
    qputenv("XDG_SESSION_TYPE", "wayland");
    qputenv("XDG_CURRENT_DESKTOP", row.currentDesktop);
    qputenv("WAYLAND_DISPLAY", compositor.waylandDisplay().toUtf8());
    row.xwayland ? qputenv("DISPLAY", compositor.xDisplay().toUtf8()) : qunsetenv("DISPLAY");
    // sway's own facility gets its socket; without it, its foreign-toplevel protocol serves.
    if (std::string(row.facility) == "sway") qputenv("SWAYSOCK", compositor.swaySocket().toUtf8());
    else qunsetenv("SWAYSOCK");
    const QString bus = row.kind == HeadlessCompositor::Kind::KWin ? compositor.busAddress() : kNoBus;

    test::Testbed bed;
    test::InputTestbed input{bed};
    const std::string keyboard = input.addDevice(test::fakeKeyboard("Fake Keyboard"));
    QTemporaryDir tmp;
    DesktopLocations where{tmp.filePath("defaults.plist"), tmp.filePath("autostart"), kNoBus, bus,
                           tmp.filePath("instance")};
    // The test's own questions to the compositor hold the main thread: a
    // key typed meanwhile is still judged.
    where.input.stallBound = test::kQuietStallBound;
    where.input.verdictBound = test::kQuietVerdictBound;
    auto desktop = std::make_unique<DesktopPlatform>(where);
    ASSERT_TRUE(desktop->compositor);
    EXPECT_EQ(desktop->compositor->name(), row.facility);
    resetShared();
    auto program = std::make_unique<app::CorvadineApp>();
    program->launch();
    // The desktop's own setting, read at launch, gives way to the program's.
    UIState::shared().naturalScroll.set(true);
    ASSERT_TRUE(spinUntil([&] { return input.grabbed(keyboard); }));
    Apps::shared().a.modify([](AppEntries& entries) {
        entries[""].key[kVkK][0] = BindAction::forAction(ActionId::MediaNext);
        entries["corv-test-a"].key[kVkK][0] = BindAction::forAction(ActionId::MediaPlayPause);
        // An application's own profile holds all its keys.
        for (const char* app : {"", "corv-test-a"}) {
            entries[app].key[kVkJ][0] = BindAction::forAction(ActionId::TriggerSwipeL);
            entries[app].key[kVkL][0] = BindAction::forAction(ActionId::TriggerSwipeR);
            entries[app].key[kVkF][0] = BindAction::forAction(ActionId::FullscreenWindow);
            entries[app].key[kVkZ][0] = BindAction::forAction(ActionId::ZoomWindow);
            entries[app].key[kVkI][0] = BindAction::forAction(ActionId::IMSwitch);
        }
    });
    const auto posted = [&] { return input.written("Corvadine virtual input"); };
    const auto press = [&](std::uint16_t code) {
        for (const auto& k : tap(code)) input.send(keyboard, {{EV_MSC, MSC_SCAN, k.code}, k});
    };
    const auto& current = engine::CurrentApp::shared();
    const auto& byPid = ShellState::shared().runningAppsByPid;
    // Where the compositor tells no pid, the application of each app id has a stand-in.
    const auto pidOf = [&](const char* appId, qint64 client) -> qint64 {
        if (row.pids) return client;
        for (const auto& [pid, app] : byPid)
            if (app.bundleIdentifier == appId || app.localizedName == appId) return isStandInPid(pid) ? pid : -2;
        return -1;
    };
    EXPECT_TRUE(spinUntil([&] {
        return byPid.count(static_cast<std::int32_t>(pidOf("corv-test-a", clientA))) &&
               byPid.count(static_cast<std::int32_t>(pidOf("corv-test-b", clientB)));
    }));
    const qint64 a = pidOf("corv-test-a", clientA), b = pidOf("corv-test-b", clientB);
    ASSERT_NE(a, b);

    // Waits below take the default bound: a loaded KWin took 8 s to run a
    // command script, within the program's own bound of 10 s.
    // Focused by the compositor, each application's key binding acts: A's
    // own, and the global one for B, which has no entry.
    Keys expected;
    for (qint64 pid : {b, a, b, a}) {
        const bool isA = pid == a;
        ASSERT_TRUE(compositor.focus(isA ? "corv-test-a" : "corv-test-b"));
        EXPECT_TRUE(spinUntil([&] { return current.pid == pid; })) << pid;
        EXPECT_EQ(current.settingsKey, isA ? "corv-test-a" : "");
        const std::size_t before = posted().size();
        press(KEY_K);
        spinUntil([&] { return posted().size() >= before + 2; });
        expected = expected + tap(isA ? KEY_PLAYPAUSE : KEY_NEXTSONG);
        EXPECT_EQ(posted(), expected);
    }

    // Where the compositor tells the window under the pointer, the lookup
    // that gestures and clicks make finds that window's application, not
    // the focused one's; elsewhere the focused one stands for it.
    ASSERT_TRUE(compositor.focus("corv-test-a"));
    if (row.pointerKnown) {
        ASSERT_TRUE(compositor.moveWindow("corv-test-a", 0, 0));
        ASSERT_TRUE(compositor.moveWindow("corv-test-b", 500, 300));  // the pointer is at the middle
    }
    const qint64 under = row.pointerKnown ? b : a;
    EXPECT_TRUE(spinUntil([&] {
        engine::appUnderCursor(platform::windowServer().cursorLocation(0));
        return current.pid == under;
    }));
    EXPECT_EQ(current.settingsKey, under == a ? "corv-test-a" : "");
    // Raising it (as click-through does) activates it.
    engine::raiseWindowUnderCursor();
    EXPECT_TRUE(spinUntil([&] { return compositor.focusedApp() == (under == a ? "corv-test-a" : "corv-test-b"); }));
    if (row.pointerKnown) {
        ASSERT_TRUE(compositor.moveWindow("corv-test-b", 900, 500));
        ASSERT_TRUE(compositor.moveWindow("corv-test-a", 500, 300));
    }

    // Activation focuses another application's window, as the compositor says.
    const auto windowOf = [&](qint64 pid) {
        for (const auto& w : desktop->compositor->windows().windows)
            if (w.pid == pid) return w.id;
        return CompositorWindowId{0};
    };
    ASSERT_TRUE(desktop->compositor->activate(windowOf(b)));
    EXPECT_TRUE(spinUntil([&] { return compositor.focusedApp() == "corv-test-b"; }));
    EXPECT_TRUE(spinUntil([&] { return focusedWindow(desktop->compositor->windows()).value_or(CompositorWindow{}).pid == b; }));
    ASSERT_TRUE(desktop->compositor->activate(windowOf(a)));
    EXPECT_TRUE(spinUntil([&] { return compositor.focusedApp() == "corv-test-a"; }));
    // The keys below come once the program has seen A, and its desktop, in front again.
    EXPECT_TRUE(spinUntil([&] { return focusedWindow(desktop->compositor->windows()).value_or(CompositorWindow{}).pid == a; }));
    if (row.desktops) {
        EXPECT_TRUE(spinUntil([&] {
            const auto desktops = desktop->compositor->desktops();
            return desktops && desktops->current == 0;
        }));
    }

    // The desktop keys: on from the first desktop, back, and nothing before the first.
    ASSERT_EQ(compositor.currentDesktop(), 0);
    if (row.desktops) {
        for (const auto& [key, desktopAfter] : {std::pair{KEY_J, 1}, std::pair{KEY_L, 0}, std::pair{KEY_L, 0},
                                                std::pair{KEY_J, 1}, std::pair{KEY_L, 0}}) {
            press(key);
            // As above: the program's view first, then the compositor's.
            EXPECT_TRUE(spinUntil([&] {
                const auto desktops = desktop->compositor->desktops();
                return desktops && desktops->current == desktopAfter;
            }));
            EXPECT_TRUE(spinUntil([&] { return compositor.currentDesktop() == desktopAfter; }))
                << "ended on " << compositor.currentDesktop().value_or(-1);
        }
    }

    // The full-screen key changes the focused window, and only it.
    ASSERT_TRUE(compositor.focus("corv-test-a"));
    ASSERT_TRUE(spinUntil([&] {
        const auto focused = focusedWindow(desktop->compositor->windows());
        return focused && focused->pid == a;
    }));
    for (bool on : {true, false}) {
        press(KEY_F);
        // The program takes the key, and sees the change, before the test
        // asks the compositor: asking blocks this thread, where a key that
        // waits too long passes untouched. The next press comes after, as a user's would.
        EXPECT_TRUE(spinUntil([&] {
            const auto focused = focusedWindow(desktop->compositor->windows());
            return focused && focused->fullScreen == on;
        })) << on;
        EXPECT_TRUE(spinUntil([&] { return compositor.fullScreen("corv-test-a") == on; })) << on;
        EXPECT_EQ(compositor.fullScreen("corv-test-b"), false);
    }

    // An X11 window on Xwayland focused over the Wayland one under the
    // pointer, then raised again by KWin as a click raises it (Plasma 5
    // signals that on the windows alone), sized in cells as a terminal: the
    // full-screen key changes it alone, and it keeps the focus.
    if (row.xwayland) {
        const qint64 x = compositor.startClient("corv-test-x", QRect(400, 250, 400, 300));
        ASSERT_GT(x, 0);
        for (const char* app : {"corv-test-a", "corv-test-x"}) ASSERT_TRUE(compositor.focus(app));
        for (const auto& [below, pid] : {std::pair{"true", a}, std::pair{"false", x}}) {
            ASSERT_TRUE(compositor.onWindow("corv-test-x", QString("w.keepBelow = %1;").arg(below)));
            EXPECT_TRUE(spinUntil([&] {
                engine::appUnderCursor(platform::windowServer().cursorLocation(0));
                return current.pid == pid;
            })) << below;
        }
        // Focused and under the pointer, as the program sees it.
        const auto seen = [&](qint64 pid, bool full) {
            return spinUntil([&] {
                const auto focused = focusedWindow(desktop->compositor->windows()), under = desktop->compositor->windowAt({});
                return focused && focused->pid == pid && focused->fullScreen == full && under && under->pid == pid;
            });
        };
        ASSERT_TRUE(seen(x, false));
        const auto othersOf = [&](CompositorWindowList l) { std::erase_if(l.windows, [&](const auto& w) { return w.pid == x; }); return l.windows; };
        const auto others = othersOf(desktop->compositor->windows());
        for (bool on : {true, false}) {
            press(KEY_F);
            EXPECT_TRUE(seen(x, on) && compositor.fullScreen("corv-test-x") == on && compositor.focusedApp() == "corv-test-x") << on;
            EXPECT_TRUE(othersOf(desktop->compositor->windows()) == others && !compositor.fullScreen("corv-test-a").value_or(true) && !compositor.fullScreen("corv-test-b").value_or(true)) << on;
        }
        test::signalProcess(x, SIGTERM);
        ASSERT_TRUE(compositor.focus("corv-test-a") && seen(a, false));
    }

    // A compositor that leaves a request unanswered: after the bound the
    // lookups find nothing, at once, until it answers again.
    if (row.kind == HeadlessCompositor::Kind::Sway) {
        compositor.pause(true);
        press(KEY_F);
        EXPECT_TRUE(spinUntil([&] {
            QElapsedTimer clock;
            clock.start();
            engine::appUnderCursor(platform::windowServer().cursorLocation(0));
            // One that waited for the compositor would take the bound at least.
            EXPECT_LT(clock.elapsed(), kCompositorBound.count());
            return current.pid <= 0;
        }));
        EXPECT_EQ(current.settingsKey, "");
        compositor.pause(false);
        EXPECT_TRUE(spinUntil([&] { return compositor.fullScreen("corv-test-a") == true; }));
        EXPECT_TRUE(spinUntil([&] {
            engine::appUnderCursor(platform::windowServer().cursorLocation(0));
            return current.pid == a;
        }));
        // As above, the next press once the program has seen the change.
        EXPECT_TRUE(spinUntil([&] {
            const auto focused = focusedWindow(desktop->compositor->windows());
            return focused && focused->fullScreen;
        }));
        press(KEY_F);
        EXPECT_TRUE(spinUntil([&] { return compositor.fullScreen("corv-test-a") == false; }));
    }

    // The zoom key maximises the window and restores it, where the compositor maximises.
    if (row.maximises)
        for (bool on : {true, false}) {
            press(KEY_Z);
            EXPECT_TRUE(spinUntil([&] { return compositor.maximized("corv-test-a") == on; })) << on;
            // The next press comes once the program has seen the new frame, as a user's would.
            EXPECT_TRUE(spinUntil([&] {
                for (const auto& w : desktop->compositor->windows().windows)
                    if (w.pid == a) return (w.geometry == platform::Rect{0, 0, 1280, 800}) == on;
                return false;
            }));
        }

    // The input-method key steps through the compositor's layouts.
    if (row.layouts) {
        ASSERT_TRUE(spinUntil([] { return ShellState::shared().inputSources.size() == 2; }));
        for (int layout : {1, 0, 1}) {
            press(KEY_I);
            EXPECT_TRUE(spinUntil([&] { return compositor.layout() == layout; })) << layout;
            EXPECT_TRUE(spinUntil([&] { return ShellState::shared().currentInputSourceIndex == layout; }));
        }
    }

    // A closed window's application leaves the map.
    test::signalProcess(clientB, SIGTERM);
    EXPECT_TRUE(spinUntil([&] { return byPid.count(static_cast<std::int32_t>(b)) == 0; }));
    EXPECT_EQ(byPid.count(static_cast<std::int32_t>(a)), 1u);

    // A KWin that restarts is followed again.
    if (row.kind == HeadlessCompositor::Kind::KWin) {
        ASSERT_TRUE(compositor.restartKWin()) << compositor.error();
        EXPECT_TRUE(spinUntil([&] { return byPid.count(static_cast<std::int32_t>(a)) == 0; }));
        const qint64 c = compositor.startClient("corv-test-c");
        ASSERT_GT(c, 0);
        EXPECT_TRUE(spinUntil([&] { return byPid.count(static_cast<std::int32_t>(c)) == 1; }));
    }

    // The program goes first: a swipe's animation may still run.
    program.reset();
    resetShared();
    // The program's script runs in KWin while it does, and not after.
    const QString script = QString("corvadine-windows-%1").arg(::getpid());
    const bool kwin = row.kind == HeadlessCompositor::Kind::KWin;
    EXPECT_EQ(compositor.kwinScriptLoaded(script), kwin ? std::optional(true) : std::nullopt);
    desktop.reset();
    // The unload is sent as the program ends; KWin takes it in its own time.
    EXPECT_TRUE(spinUntil([&] { return compositor.kwinScriptLoaded(script) == (kwin ? std::optional(false) : std::nullopt); }));
    for (const char* name : {"XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP", "WAYLAND_DISPLAY", "DISPLAY", "SWAYSOCK"}) qunsetenv(name);
}

INSTANTIATE_TEST_SUITE_P(Desktops, CompositorDesktopTest,
                         ::testing::Values(Desktop{HeadlessCompositor::Kind::Sway, "sway", "sway", false, false, false},
                                           Desktop{HeadlessCompositor::Kind::KWin, "KDE", "kwin", true, true, true, true, true, true},
                                           // sway as any wlroots compositor: its foreign-toplevel protocol alone.
                                           Desktop{HeadlessCompositor::Kind::Sway, "wlroots", "wlr-toplevels", false, false,
                                                   false, false, false}),
                         [](const auto& info) {
                             const std::string facility = info.param.facility;
                             return facility == "sway" ? "Sway" : facility == "kwin" ? "KWin" : "WlrToplevels";
                         });

// wlroots' protocol opens only where a compositor offers it and answers in
// time, gives the windows of one app id one stand-in pid, keeps stand-ins
// and one list waiting for the main loop, the newest, through a thousand app
// ids, and finds nothing once the compositor is gone.
TEST(WlrToplevels, OpensWithinTheBoundNamesApplicationsByAppIdAndForgetsAGoneCompositor) {
    auto sway = std::make_unique<HeadlessCompositor>(HeadlessCompositor::Kind::Sway);
    ASSERT_EQ(sway->error(), "");
    for (const char* appId : {"corv-test-a", "corv-test-b", "corv-test-a"}) ASSERT_GT(sway->startClient(appId), 0);
    HeadlessCompositor kwin(HeadlessCompositor::Kind::KWin);
    ASSERT_EQ(kwin.error(), "");
    sim::SimRunLoop loop;
    struct Case {
        const char* what;
        QString display;
        bool paused;
        bool opens;
    };
    std::unique_ptr<WlrToplevels> windows;
    for (const Case& c : {Case{"no compositor", "/nonexistent/wayland-0", false, false},
                          Case{"KWin, which offers no such protocol", kwin.waylandDisplay(), false, false},
                          Case{"a compositor that does not answer", sway->waylandDisplay(), true, false},
                          Case{"sway", sway->waylandDisplay(), false, true}}) {
        sway->pause(c.paused);
        QElapsedTimer clock;
        clock.start();
        windows = WlrToplevels::open(loop, c.display.toStdString());
        // The compositor stays stopped meanwhile: a wait for its answer would
        // never end. The bound is the product's own deadline; scheduling on a
        // loaded machine may add to it, never a wait on the compositor.
        if (c.paused) {
            EXPECT_GE(clock.elapsed(), kCompositorBound.count() - 1) << c.what;
        }
        EXPECT_LT(clock.elapsed(), 10 * kCompositorBound.count()) << c.what;
        sway->pause(false);
        EXPECT_EQ(windows != nullptr, c.opens) << c.what;
    }
    ASSERT_TRUE(windows);
    ASSERT_TRUE(spinUntil([&] { return windows->windows().windows.size() == 3; }, 3000));
    std::map<std::string, std::set<std::int32_t>> pids;
    for (const auto& w : windows->windows().windows) {
        EXPECT_TRUE(isStandInPid(w.pid)) << w.appId;
        pids[w.appId].insert(w.pid);
    }
    EXPECT_EQ(pids["corv-test-a"].size(), 1u);
    EXPECT_EQ(pids["corv-test-b"].size(), 1u);
    EXPECT_NE(pids["corv-test-a"], pids["corv-test-b"]);
    EXPECT_TRUE(focusedWindow(windows->windows()));

    loop.runPending();
    ASSERT_GT(sway->startClient("corv-test-c", std::nullopt, 1000), 0);
    ASSERT_TRUE(spinUntil([&] {
        const auto list = windows->windows().windows;
        return list.size() == 4 && std::any_of(list.begin(), list.end(), [](const auto& w) { return w.appId == "corv-test-c"; });
    }, 3000));
    EXPECT_EQ(windows->standIns(), 3u);
    EXPECT_EQ(loop.pendingCount(), 1u);

    sway.reset();
    EXPECT_TRUE(spinUntil([&] { return windows->windows().windows.empty(); }, 3000));
    EXPECT_FALSE(windows->activate(1));
}

} // namespace
} // namespace corv::desktop
