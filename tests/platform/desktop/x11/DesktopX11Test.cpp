#include "app/InputSourceList.h"
#include "engine/ActionExecutor.h"
#include "engine/AppWindows.h"
#include "engine/CurrentApp.h"
#include "engine/DisplayLink.h"
#include "engine/GestureLookup.h"
#include "engine/NaturalScrollMirror.h"
#include "model/ActionTable.h"
#include "model/Apps.h"
#include "model/Shared.h"
#include "model/ShellState.h"
#include "model/UIState.h"
#include "platform/desktop/bus/DesktopViews.h"
#include "platform/desktop/windows/CompositorWindows.h"
#include "platform/desktop/windows/DesktopAccessibility.h"
#include "platform/desktop/x11/DesktopDisplays.h"
#include "platform/desktop/windows/DesktopDock.h"
#include "platform/desktop/windows/DesktopInputSources.h"
#include "platform/desktop/windows/DesktopSpaces.h"
#include "platform/desktop/windows/DesktopWindowServer.h"
#include "platform/desktop/windows/EwmhWindows.h"
#include "platform/desktop/DesktopRunLoop.h"
#include "platform/desktop/apps/DesktopWorkspace.h"
#include "platform/desktop/x11/X11Session.h"
#include "platform/sim/SimPlatform.h"
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>

// Xlib's macros last: they clash with names in the headers above.
#include "support/XServer.h"
#include "support/ChildProcess.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/dpms.h>

// libXext's DPMS calls, taken over since Xvfb has no DPMS: a server with DPMS
// while `dpmsPresent`; each enable (-1) and forced level is recorded.
namespace {
std::mutex dpmsMutex;
bool dpmsPresent = false;
std::vector<int> dpmsRequests;
} // namespace

Bool DPMSCapable(Display*) {
    std::lock_guard lock(dpmsMutex);
    return dpmsPresent;
}
Bool DPMSQueryExtension(Display* display, int* event, int* error) {
    *event = *error = 0;
    return DPMSCapable(display);
}
Status DPMSEnable(Display*) {
    std::lock_guard lock(dpmsMutex);
    dpmsRequests.push_back(-1);
    return dpmsPresent;
}
Status DPMSForceLevel(Display*, CARD16 level) {
    std::lock_guard lock(dpmsMutex);
    dpmsRequests.push_back(level);
    return dpmsPresent;
}

namespace corv::desktop {
namespace {

using test::spinUntil;

// Gives the server's keyboard these layouts, as the user's tool does.
bool setLayouts(const std::string& display, const QString& layouts) {
    QProcess tool;
    tool.start("setxkbmap", {"-display", QString::fromStdString(display), "-layout", layouts});
    return tool.waitForFinished(10000) && tool.exitCode() == 0;
}

struct Client {
    qint64 pid = -1;
    XWindowId window = 0;
    platform::Point center;
};

// One server, window manager and two client windows of two processes for
// the whole suite: A has a desktop entry and says its pid, B has neither.
class DesktopX11Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        data = new QTemporaryDir;
        std::filesystem::create_directories(data->filePath("apps/applications").toStdString());
        std::ofstream(data->filePath("apps/applications/corv-test-a.desktop").toStdString())
            << "[Desktop Entry]\nType=Application\nName=Test A\nExec=/bin/true\nStartupWMClass=CorvTestA\n";
        qputenv("XDG_DATA_HOME", data->filePath("apps").toUtf8());
        qputenv("XDG_DATA_DIRS", data->filePath("none").toUtf8());
        server = new test::XServer;
        if (!server->error().empty()) return;
        x11 = new X11Session(server->name());
        loop = new DesktopRunLoop;
        ewmh = new EwmhWindows(*loop, x11);
        a.pid = server->startClient(20, 40, 300, 300, "corvtesta", "CorvTestA");
        b.pid = server->startClient(500, 40, 300, 300, "corvtestb", "CorvTestB", false);
        server->startManager();
        if (!server->error().empty()) return;
        spinUntil([] {
            const auto list = x11->clients();
            for (XWindowId w : list) (x11->pidOf(w) == a.pid ? a : b).window = w;
            return list.size() == 2 && a.window && b.window;
        });
        settle();
    }

    // Placed, framed and shown: each window is found at its centre.
    static bool settle() {
        return spinUntil([] {
            for (Client* c : {&a, &b}) {
                if (!c->window) return false;
                XWindowAttributes attributes{};
                XGetWindowAttributes(server->display(), c->window, &attributes);
                int rx = 0, ry = 0;
                Window child = 0;
                XTranslateCoordinates(server->display(), c->window, DefaultRootWindow(server->display()),
                                      attributes.width / 2, attributes.height / 2, &rx, &ry, &child);
                c->center = {static_cast<double>(rx), static_cast<double>(ry)};
                if (x11->clientAt(c->center) != c->window) return false;
            }
            return true;
        });
    }
    static void TearDownTestSuite() {
        delete ewmh;
        delete loop;
        ewmh = nullptr;
        loop = nullptr;
        delete x11;
        delete server;
        delete data;
        x11 = nullptr;
        server = nullptr;
        data = nullptr;
    }

    void SetUp() override {
        if (!server->error().empty()) GTEST_SKIP() << server->error();
        ASSERT_TRUE(a.window && b.window && settle())
            << "the client windows were not managed: " << a.window << " " << b.window << " of "
            << x11->clients().size() << " pids " << a.pid << " " << b.pid << " wm " << server->managerRunning() << " clients "
            << server->clientsRunning() << " on " << server->name() << " top-level windows " << topLevels();
    }

    static unsigned topLevels() {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        XQueryTree(server->display(), DefaultRootWindow(server->display()), &root, &parent, &children, &count);
        if (children) XFree(children);
        return count;
    }

    // A point on the title bar of the client's frame, half-way between the
    // frame's top and the client's.
    static platform::Point titleBar(const Client& c) {
        Display* d = server->display();
        Window top = c.window, root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        while (XQueryTree(d, top, &root, &parent, &children, &count) && parent != root) {
            if (children) XFree(children);
            children = nullptr;
            top = parent;
        }
        if (children) XFree(children);
        int frameY = 0, clientY = 0, x = 0;
        Window child = 0;
        XTranslateCoordinates(d, top, root, 0, 0, &x, &frameY, &child);
        XTranslateCoordinates(d, c.window, root, 0, 0, &x, &clientY, &child);
        EXPECT_GT(clientY - frameY, 4) << "no title bar above the window";
        return {c.center.x, static_cast<double>(frameY + clientY) / 2};
    }

    static void movePointer(platform::Point p) {
        XTestFakeMotionEvent(server->display(), -1, static_cast<int>(p.x), static_cast<int>(p.y), CurrentTime);
        XSync(server->display(), False);
    }

    static inline QTemporaryDir* data = nullptr;
    static inline test::XServer* server = nullptr;
    static inline X11Session* x11 = nullptr;
    static inline DesktopRunLoop* loop = nullptr;
    static inline EwmhWindows* ewmh = nullptr;
    static inline Client a, b;
};

TEST_F(DesktopX11Test, PointerOverEachWindowFindsItsApplicationAndPid) {
    DesktopWindowServer ws(*ewmh);
    DesktopWorkspace workspace(*ewmh);
    struct Row {
        const Client* client;
        std::optional<std::string> id;
    };
    for (const Row& row : {Row{&a, "corv-test-a"}, Row{&b, std::nullopt}}) {
        movePointer(row.client->center);
        EXPECT_EQ(ws.cursorLocation(1), row.client->center);
        auto found = ws.findWindowAndOwner(1, ws.cursorLocation(1));
        ASSERT_TRUE(found);
        EXPECT_EQ(found->windowId, row.client->window);
        EXPECT_EQ(ws.connectionPid(found->owner), row.client->pid);
        auto app = workspace.runningApplication(static_cast<std::int32_t>(row.client->pid));
        ASSERT_TRUE(app);
        EXPECT_EQ(app->bundleIdentifier, row.id);
        // Without an entry the executable names it.
        EXPECT_EQ(app->localizedName, row.id ? "Test A" : "corv_x11_client");
        EXPECT_EQ(app->bundlePath, row.id ? data->filePath("apps/applications/corv-test-a.desktop").toStdString()
                                          : std::string(CORV_X11_CLIENT));
    }
    // Over the root window there is nothing.
    EXPECT_FALSE(ws.findWindowAndOwner(1, {1000, 700}));
    EXPECT_EQ(workspace.runningApplications().size(), 2u);
}

TEST_F(DesktopX11Test, TheTitleBarBelongsToItsWindow) {
    DesktopWindowServer ws(*ewmh);
    for (const Client* c : {&a, &b}) {
        movePointer(titleBar(*c));
        auto found = ws.findWindowAndOwner(1, ws.cursorLocation(1));
        ASSERT_TRUE(found);
        EXPECT_EQ(found->windowId, c->window);
        EXPECT_EQ(ws.connectionPid(found->owner), c->pid);
    }
}

// The program's own window, the panel say, makes it no regular application.
TEST_F(DesktopX11Test, TheProgramsOwnWindowListsItAsAnAccessory) {
    DesktopWorkspace workspace(*ewmh);
    Display* d = server->display();
    const Window own = XCreateSimpleWindow(d, DefaultRootWindow(d), 300, 400, 200, 100, 0, 0, 0);
    const long pid = ::getpid();
    XChangeProperty(d, own, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    XMapWindow(d, own);
    XSync(d, False);
    ASSERT_TRUE(spinUntil([&] { return x11->clients().size() == 3; }));
    std::map<std::int32_t, platform::ActivationPolicy> policies;
    for (const auto& app : workspace.runningApplications()) policies[app.pid] = app.activationPolicy;
    EXPECT_EQ(policies.size(), 3u);
    EXPECT_EQ(policies[static_cast<std::int32_t>(::getpid())], platform::ActivationPolicy::Accessory);
    EXPECT_EQ(policies[static_cast<std::int32_t>(a.pid)], platform::ActivationPolicy::Regular);
    EXPECT_EQ(policies[static_cast<std::int32_t>(b.pid)], platform::ActivationPolicy::Regular);
    XDestroyWindow(d, own);
    XSync(d, False);
    EXPECT_TRUE(spinUntil([&] { return x11->clients().size() == 2; }));
}

TEST_F(DesktopX11Test, RaiseActivatesAndWindowStatesToggle) {
    DesktopAccessibility ax(*ewmh);
    DesktopWorkspace workspace(*ewmh);
    for (const Client* c : {&a, &b}) {
        auto windows = ax.copyAttributeValues(ax.createApplication(static_cast<std::int32_t>(c->pid)), "AXWindows", 0, 100);
        ASSERT_TRUE(windows && windows->size() == 1);
        const auto window = std::get<platform::AXElement>(windows->front());
        EXPECT_EQ(ax.windowId(window), c->window);
        EXPECT_TRUE(ax.performAction(window, "AXRaise"));
        EXPECT_TRUE(spinUntil([&] { return x11->activeWindow() == c->window; }));
        EXPECT_TRUE(workspace.isActive(static_cast<std::int32_t>(c->pid)));
        auto focused = ax.copyAttributeValue(ax.createApplication(static_cast<std::int32_t>(c->pid)), "AXFocusedWindow");
        ASSERT_TRUE(focused);
        EXPECT_EQ(std::get<platform::AXElement>(*focused), window);
    }
    // Activation by pid picks the process's window.
    EXPECT_TRUE(workspace.activate(static_cast<std::int32_t>(a.pid)));
    EXPECT_TRUE(spinUntil([&] { return x11->activeWindow() == a.window; }));
    EXPECT_FALSE(workspace.activate(999999));
}

// The engine over the real window manager: the sim machine with the X11
// window server, workspace, accessibility, Spaces and Dock in place.
class DesktopX11EngineTest : public DesktopX11Test {
protected:
    void SetUp() override {
        DesktopX11Test::SetUp();
        if (IsSkipped()) return;
        resetShared();
        sim = std::make_unique<sim::SimPlatform>();
        ws = std::make_unique<DesktopWindowServer>(*ewmh);
        workspace = std::make_unique<DesktopWorkspace>(*ewmh);
        ax = std::make_unique<DesktopAccessibility>(*ewmh);
        spaces = std::make_unique<DesktopSpaces>(*ewmh);
        windows = std::make_unique<EwmhWindows>(sim->runLoop, x11);
        dock = std::make_unique<DesktopDock>(sim->events, sim->runLoop, *windows);
        dock->setNaturalScroll([] { return engine::NaturalScrollMirror::shared().get(); });
        platform::Services s = platform::installedServices();
        s.windowServer = ws.get();
        s.workspace = workspace.get();
        s.accessibility = ax.get();
        s.spaces = spaces.get();
        s.eventTaps = dock.get();
        platform::install(s);
        sim->displays.addDisplay("D-1", 60);
    }
    void TearDown() override {
        if (!sim) return;
        resetShared();
        sim.reset();
    }

    // Performs the action with the pointer at the point, then runs the frames
    // of any animation and what they hand to the main loop.
    void perform(std::int64_t action, platform::Point at) {
        movePointer(at);
        engine::performAction(action, false, 0, std::nullopt);
        sim->runLoop.runPending();
        for (int frame = 1; frame <= 60; ++frame) {
            sim->displayLinks.tick(static_cast<std::uint64_t>(frame) * 16'666'667ull);
            sim->runLoop.runPending();
        }
    }

    std::unique_ptr<sim::SimPlatform> sim;
    // Its watchers post to the sim's loop.
    std::unique_ptr<EwmhWindows> windows;
    std::unique_ptr<DesktopWindowServer> ws;
    std::unique_ptr<DesktopWorkspace> workspace;
    std::unique_ptr<DesktopAccessibility> ax;
    std::unique_ptr<DesktopSpaces> spaces;
    std::unique_ptr<DesktopDock> dock;
};

TEST_F(DesktopX11EngineTest, ProfilesFollowThePointer) {
    auto entries = Apps::shared().a.get();
    entries["corv-test-a"] = AnApp{};
    Apps::shared().a.set(entries);
    struct Row {
        const Client* client;
        std::string key;
    };
    for (const Row& row : {Row{&a, "corv-test-a"}, Row{&b, ""}, Row{&a, "corv-test-a"}}) {
        movePointer(row.client->center);
        engine::appUnderCursor(row.client->center);
        const auto& current = engine::CurrentApp::shared();
        EXPECT_EQ(current.pid, row.client->pid);
        EXPECT_EQ(current.windowId, row.client->window);
        EXPECT_EQ(current.settingsKey, row.key);
        // The bindings looked up are the application's own, or the global ones.
        EXPECT_EQ(engine::currentAppEntry(), engine::appEntry(row.key));
    }
    EXPECT_NE(engine::appEntry("corv-test-a"), engine::appEntry(""));
}

// A and B run one program, as two applications an interpreter runs do. Each
// goes by its desktop entry's id: a profile kept under the program is B's
// only while B has no entry, and never A's.
TEST_F(DesktopX11EngineTest, TwoEntriesStartingOneProgramAreTwoApplications) {
    const std::string program = std::filesystem::canonical(CORV_X11_CLIENT).string();
    const std::string entryA = data->filePath("apps/applications/corv-test-a.desktop").toStdString();
    const std::string entryB = data->filePath("apps/applications/corvtestb.desktop").toStdString();
    const auto write = [](const std::string& file, const std::string& lines) {
        std::ofstream(file) << "[Desktop Entry]\nType=Application\n" << lines << "\n";
    };
    write(entryA, "Name=Test A\nExec=" + program + " a.py\nStartupWMClass=CorvTestA");
    const platform::Services before = platform::installedServices();
    std::unique_ptr<DesktopWorkspace> named;
    struct Row {
        std::optional<std::string> entryB;
        std::vector<std::string> profiles;
        std::string idB, keyA, keyB;
    };
    const std::string execB = "Name=Test B\nExec=" + program + " b.py %U";
    for (const Row& row : {Row{std::nullopt, {program}, program, "", program},
                           Row{execB, {program}, "corvtestb", "", ""},
                           Row{execB + "\nTryExec=" + program, {program, "corvtestb"}, "corvtestb", "", "corvtestb"},
                           Row{execB, {program, "corv-test-a"}, "corvtestb", "corv-test-a", ""}}) {
        SCOPED_TRACE(row.entryB.value_or("no entry"));
        std::filesystem::remove(entryB);
        if (row.entryB) write(entryB, *row.entryB);
        AppEntries profiles{{"", AnApp{}}};
        for (const std::string& key : row.profiles) profiles[key] = AnApp{};
        Apps::shared().a.set(profiles);
        // As after a restart: the entries and the process are named afresh.
        named = std::make_unique<DesktopWorkspace>(*ewmh);
        platform::Services s = before;
        s.workspace = named.get();
        platform::install(s);
        ShellState::shared().runningAppsByPid.clear();
        for (const auto& [client, id, key] : {std::tuple{&a, std::string("corv-test-a"), row.keyA},
                                              std::tuple{&b, row.idB, row.keyB}}) {
            movePointer(client->center);
            engine::appUnderCursor(client->center);
            EXPECT_EQ(engine::CurrentApp::shared().bundleId, id);
            EXPECT_EQ(engine::CurrentApp::shared().settingsKey, key);
            EXPECT_EQ(engine::currentAppEntry(), engine::appEntry(key));
        }
    }
    platform::install(before);
    std::filesystem::remove(entryB);
    write(entryA, "Name=Test A\nExec=/bin/true\nStartupWMClass=CorvTestA");
}

TEST_F(DesktopX11EngineTest, FullScreenAndZoomChangeTheWindowState) {
    struct Row {
        std::int64_t action;
        const char* state;
    };
    for (const Row& row : {Row{ActionId::FullscreenWindow, "_NET_WM_STATE_FULLSCREEN"},
                           Row{ActionId::ZoomWindow, "_NET_WM_STATE_MAXIMIZED_HORZ"}}) {
        for (bool on : {true, false}) {
            perform(row.action, a.center);
            EXPECT_TRUE(spinUntil([&] { return x11->hasState(a.window, row.state) == on; }))
                << row.state << " should be " << on;
            EXPECT_FALSE(x11->hasState(b.window, row.state));
        }
    }
}

TEST_F(DesktopX11EngineTest, ScreenOffForcesTheDisplayOffOnlyWhereTheServerHasDpms) {
    DesktopDisplays displays(x11);
    platform::Services s = platform::installedServices();
    s.displays = &displays;
    platform::install(s);
    for (const bool dpms : {false, true}) {
        {
            std::lock_guard lock(dpmsMutex);
            dpmsPresent = dpms;
            dpmsRequests.clear();
        }
        perform(ActionId::ScreenOff, a.center);
        std::lock_guard lock(dpmsMutex);
        EXPECT_EQ(dpmsRequests, (dpms ? std::vector<int>{-1, DPMSModeOff} : std::vector<int>{})) << dpms;
    }
}

TEST_F(DesktopX11EngineTest, DockSwipesMoveOneDesktopTheRightWay) {
    ASSERT_GE(x11->desktopCount().value_or(0), 3);
    struct Row {
        std::int64_t action;
        long expected;
    };
    // Left goes to the next desktop, right back; right on the first does
    // nothing; the same with natural scrolling off, which signs the posted
    // progress the other way.
    for (bool natural : {true, false}) {
        UIState::shared().naturalScroll.set(natural);
        x11->setCurrentDesktop(0);
        ASSERT_TRUE(spinUntil([] { return x11->currentDesktop() == 0; }));
        for (const Row& row : {Row{ActionId::TriggerSwipeL, 1}, Row{ActionId::TriggerSwipeL, 2},
                               Row{ActionId::TriggerSwipeR, 1}, Row{ActionId::TriggerSwipeR, 0},
                               Row{ActionId::TriggerSwipeR, 0}}) {
            perform(row.action, b.center);
            EXPECT_TRUE(spinUntil([&] { return x11->currentDesktop() == row.expected; }, 3000))
                << "action " << row.action << " natural " << natural << " ended on "
                << x11->currentDesktop().value_or(-1);
        }
        // A spread shows the desktop, a pinch brings the windows back.
        perform(ActionId::TriggerPinchOut, b.center);
        EXPECT_TRUE(spinUntil([] { return x11->showingDesktop() == true; }, 3000)) << natural;
        perform(ActionId::TriggerPinchIn, b.center);
        EXPECT_TRUE(spinUntil([] { return x11->showingDesktop() == false; }, 3000)) << natural;
    }
}

// The keyboard's layouts are its input sources: listed by name, stepped
// through by the input-method action, and followed when the user changes
// them.
TEST_F(DesktopX11EngineTest, XkbGroupsAreTheInputSources) {
    DesktopInputSources sources(*windows);
    platform::Services s = platform::installedServices();
    s.inputSources = &sources;
    platform::install(s);
    const auto lockedGroup = [] {
        XkbStateRec state{};
        XkbGetState(server->display(), XkbUseCoreKbd, &state);
        return static_cast<int>(state.locked_group);
    };
    const auto listed = [] {
        std::vector<std::string> out;
        for (const auto& source : ShellState::shared().inputSources)
            out.push_back(source.id + "=" + source.localizedName.value_or("?"));
        return out;
    };
    const auto current = [] { return ShellState::shared().currentInputSourceIndex; };
    const auto turnUntil = [&](const std::function<bool()>& done) {
        return spinUntil([&] {
            sim->runLoop.runPending();
            return done();
        });
    };

    ASSERT_TRUE(setLayouts(server->name(), "us,de"));
    app::observeInputSources();
    app::reloadInputSources();
    EXPECT_EQ(listed(), (std::vector<std::string>{"us=English (US)", "de=German"}));
    EXPECT_EQ(current(), 0);

    // Each switch locks the next group and comes back as the new current one.
    for (int expected : {1, 0, 1}) {
        perform(ActionId::IMSwitch, a.center);
        EXPECT_TRUE(turnUntil([&] { return current() == expected; })) << expected;
        EXPECT_EQ(lockedGroup(), expected);
    }
    // Another program locks a group.
    XkbLockGroup(server->display(), XkbUseCoreKbd, 0);
    XSync(server->display(), False);
    EXPECT_TRUE(turnUntil([&] { return current() == 0; }));

    // New layouts rebuild the list (the keymap comes before the names of
    // its layouts).
    ASSERT_TRUE(setLayouts(server->name(), "fr,us(dvorak),de"));
    const std::vector<std::string> three{"fr=French", "us(dvorak)=English (Dvorak)", "de=German"};
    EXPECT_TRUE(turnUntil([&] { return listed() == three; })) << listed().size();
    EXPECT_EQ(current(), lockedGroup());
    ASSERT_TRUE(setLayouts(server->name(), "us"));
    EXPECT_TRUE(turnUntil([&] { return listed().size() == 1; }));
}

// The running applications are listed in the background while the main
// thread asks where the pointer is and what lies under it: a call waits for
// the other thread's instead of finding nothing.
TEST_F(DesktopX11Test, CallsFromTwoThreadsEachGetTheirAnswer) {
    DesktopWorkspace workspace(*ewmh);
    std::atomic<bool> done{false};
    std::atomic<int> lists{0}, shortLists{0};
    std::thread background([&] {
        for (; !done; ++lists)
            if (workspace.runningApplications().size() != 2) ++shortLists;
    });
    int missed = 0;
    for (int i = 0; i < 100; ++i) {
        if (!x11->pointer()) ++missed;
        if (x11->clientAt(a.center) != a.window) ++missed;
    }
    done = true;
    background.join();
    // Turned away while the other thread asks, nearly every call failed; a
    // busy machine may still push one past the bound now and then.
    EXPECT_LE(missed, 10);
    EXPECT_LE(shortLists.load() * 10, lists.load() + 10);
}

// A server that stops answering costs one call at most the bound; later
// calls find nothing at once, and answers come back with the server.
TEST_F(DesktopX11Test, AStoppedServerNeverHoldsTheCaller) {
    X11Session session(server->name());
    ASSERT_TRUE(session.pointer());
    ASSERT_TRUE(test::signalProcess(server->serverPid(), SIGSTOP));
    // Should a call hang anyway, the server goes on after a while so the
    // test fails instead of hanging.
    std::promise<void> measured;
    std::thread resume([pid = server->serverPid(), done = measured.get_future()] {
        done.wait_for(std::chrono::seconds(3));
        test::signalProcess(pid, SIGCONT);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(session.pointer());
    EXPECT_EQ(session.clientAt(a.center), 0u);
    EXPECT_TRUE(session.clientPids().empty());
    X11Session opening(server->name());
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, kRoundTripBound * 3) << std::chrono::duration_cast<std::chrono::milliseconds>(took).count();
    measured.set_value();
    resume.join();
    EXPECT_TRUE(spinUntil([&] { return session.clientAt(a.center) == a.window; }));
    EXPECT_TRUE(spinUntil([&] { return opening.clientAt(a.center) == a.window; }));
}

// A server that goes away while the session listens to it leaves the
// session dead and the program running.
TEST_F(DesktopX11Test, ALostServerLeavesTheProgramRunning) {
    auto lost = std::make_unique<test::XServer>();
    ASSERT_EQ(lost->error(), "");
    X11Session session(lost->name());
    std::atomic<int> reports{0};
    const auto watch = session.watchWindows([&](const X11Windows&) { ++reports; });
    ASSERT_TRUE(spinUntil([&] { return reports > 0; }));
    ASSERT_TRUE(session.connected());
    lost.reset();
    EXPECT_TRUE(spinUntil([&] { return !session.connected(); }));
    EXPECT_FALSE(session.pointer());
    session.unwatch(watch);
    // The suite's own server still answers.
    EXPECT_EQ(x11->clientAt(a.center), a.window);
}

// A keyboard change that comes while the session reads the windows (the
// server held meanwhile, so it arrives before the answer) is told at once,
// not when some later event wakes the session.
TEST_F(DesktopX11Test, AKeyboardChangeDuringAWindowReadIsToldAtOnce) {
    test::XServer own;
    ASSERT_EQ(own.error(), "");
    ASSERT_TRUE(setLayouts(own.name(), "us,de"));
    Display* d = own.display();
    const Window root = DefaultRootWindow(d);
    X11Session session(own.name());
    std::atomic<int> windows{0}, groups{0};
    const auto windowWatch = session.watchWindows([&](const X11Windows&) { ++windows; });
    const auto keyboardWatch = session.watchKeyboard([&](bool) { ++groups; });
    ASSERT_TRUE(spinUntil([&] { return windows > 0; }));
    // Told once: the session listens to the keyboard.
    const auto lock = [&](unsigned group) {
        XkbLockGroup(d, XkbUseCoreKbd, group);
        XSync(d, False);
    };
    unsigned group = 0;
    ASSERT_TRUE(spinUntil([&] {
        lock(group ^= 1);
        return spinUntil([&] { return groups > 0; }, 200);
    }));
    groups = 0;

    XGrabServer(d);
    XSync(d, False);
    const long active = static_cast<long>(root);
    XChangeProperty(d, root, XInternAtom(d, "_NET_ACTIVE_WINDOW", False), XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&active), 1);
    XSync(d, False);
    // Time for the session to ask for the windows, which the held server
    // does not answer yet.
    QThread::msleep(300);
    lock(group ^ 1);
    XUngrabServer(d);
    XSync(d, False);
    EXPECT_TRUE(spinUntil([&] { return groups > 0; }, 3000));
    session.unwatch(windowWatch);
    session.unwatch(keyboardWatch);
}

// What the Dock stand-in asks of the shell for each ended swipe, by what
// shows, in a Wayland session (no X11 there: the spread is the shell's too).
TEST(DesktopDockViews, EachSwipeShowsOrHidesTheViewItsDirectionAndWhatShowsCallFor) {
    struct Views final : DesktopViews {
        DesktopView now{};
        std::vector<std::pair<DesktopView, bool>> asked;
        DesktopView shown() const override { return now; }
        bool set(DesktopView v, bool show) override {
            asked.emplace_back(v, show);
            return true;
        }
        ViewsWatchId watch(std::function<void(DesktopView)>) override { return 1; }
        void unwatch(ViewsWatchId) override {}
    };
    struct Compositor final : CompositorWindows {
        std::string name() const override { return "test"; }
        unsigned capabilities() const override { return 0; }
        CompositorWindowList windows() override { return {}; }
        CompositorWatchId watchWindows(std::function<void(const CompositorWindowList&)>) override { return 1; }
        void unwatch(CompositorWatchId) override {}
    };
    using V = DesktopView;  // V{}: nothing shows (X11's None is a macro here)
    using Asked = std::vector<std::pair<V, bool>>;
    const struct {
        std::int64_t motion;
        double progress;  // its sign: up or spread when positive
        V shown;
        Asked asked;
    } cases[] = {
        {2, 0.9, V{}, {{V::AllWindows, true}}},
        {2, 0.9, V::ApplicationWindows, {{V::ApplicationWindows, false}}},
        {2, 0.9, V::AllWindows, {}},
        {2, -0.9, V::AllWindows, {{V::AllWindows, false}}},
        {2, -0.9, V{}, {{V::ApplicationWindows, true}}},
        {2, -0.9, V::Grid, {{V::ApplicationWindows, true}}},
        {3, -0.9, V{}, {{V::Grid, true}}},
        {3, -0.9, V::Grid, {}},
        {3, -0.9, V::Desktop, {{V::Desktop, false}}},
        {3, 0.9, V::Grid, {{V::Grid, false}}},
        {3, 0.9, V{}, {{V::Desktop, true}}},
        {3, 0.9, V::Desktop, {{V::Desktop, false}}},
        {2, 0.0, V{}, {}},
    };
    for (const auto& c : cases) {
        sim::SimPlatform sim;
        Views views;
        views.now = c.shown;
        Compositor compositor;
        DesktopDock dock(sim.events, sim.runLoop, compositor);
        dock.setViews(&views);
        platform::Event ended;
        ended.setType(platform::eventType::DockControl);
        ended.setIntegerField(platform::field::GestureSubtype, 23);
        ended.setIntegerField(platform::field::DockSwipeMotion, c.motion);
        ended.setIntegerField(platform::field::GesturePhase, 4);
        ended.setDoubleField(platform::field::DockSwipeProgress, c.progress);
        dock.post(platform::TapLocation::Session, ended);
        // A cancelled swipe asks nothing.
        ended.setIntegerField(platform::field::GesturePhase, 8);
        dock.post(platform::TapLocation::Session, ended);
        sim.runLoop.runPending();
        EXPECT_EQ(views.asked, c.asked) << c.motion << " " << c.progress << " " << int(c.shown);
    }
}

} // namespace
} // namespace corv::desktop
