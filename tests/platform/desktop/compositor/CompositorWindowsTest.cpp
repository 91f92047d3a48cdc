// The program in a Wayland session under real compositors started headless,
// with a faked keyboard: the window the compositor focuses makes its
// application current, whose key bindings then act; the desktop keys move the
// compositor's desktops and the full-screen key changes the window, both read
// back from the compositor.

#include "app/CorvadineApp.h"
#include "engine/CurrentApp.h"
#include "model/ActionTable.h"
#include "model/Apps.h"
#include "model/Shared.h"
#include "model/ShellState.h"
#include "model/UIState.h"
#include "platform/desktop/DesktopPlatform.h"

#include "support/HeadlessCompositor.h"
#include "support/UmockdevInput.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace corv::desktop {
namespace {

using test::HeadlessCompositor;
using test::keyEvent;
using test::spinUntil;
using Keys = std::vector<test::InputEvent>;

// Stored key codes of K, J, L and F.
constexpr std::uint16_t kVkK = 40, kVkJ = 38, kVkL = 37, kVkF = 3;
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

    HeadlessCompositor compositor(row.kind);
    ASSERT_EQ(compositor.error(), "");
    const qint64 a = compositor.startClient("corv-test-a");
    const qint64 b = compositor.startClient("corv-test-b");
    ASSERT_TRUE(a > 0 && b > 0) << "the client windows were not shown";
    ASSERT_TRUE(compositor.addDesktop("corv-test-b"));
    ASSERT_TRUE(compositor.focus("corv-test-a"));
    ASSERT_TRUE(compositor.setDesktop(0));

    // The session the program finds; X11 is not there to answer.
    qputenv("XDG_SESSION_TYPE", "wayland");
    qputenv("XDG_CURRENT_DESKTOP", row.currentDesktop);
    qputenv("WAYLAND_DISPLAY", compositor.waylandDisplay().toUtf8());
    qunsetenv("DISPLAY");
    if (row.kind == HeadlessCompositor::Kind::Sway) qputenv("SWAYSOCK", compositor.swaySocket().toUtf8());
    else qunsetenv("SWAYSOCK");
    const QString bus = row.kind == HeadlessCompositor::Kind::KWin ? compositor.busAddress() : kNoBus;

    test::Testbed bed;
    test::InputTestbed input{bed};
    const std::string keyboard = input.addDevice(test::fakeKeyboard("Fake Keyboard"));
    QTemporaryDir tmp;
    DesktopLocations where{tmp.filePath("defaults.plist"), tmp.filePath("autostart"), kNoBus, bus,
                           tmp.filePath("instance")};
    where.input.stallBound = test::kQuietStallBound;
    auto desktop = std::make_unique<DesktopPlatform>(where);
    ASSERT_TRUE(desktop->compositor);
    EXPECT_EQ(desktop->compositor->name(), row.facility);
    resetShared();
    UIState::shared().naturalScroll.set(true);
    app::CorvadineApp program;
    program.launch();
    ASSERT_TRUE(spinUntil([&] { return input.grabbed(keyboard); }));
    Apps::shared().a.modify([](AppEntries& entries) {
        entries[""].key[kVkK][0] = BindAction::forAction(ActionId::MediaNext);
        entries["corv-test-a"].key[kVkK][0] = BindAction::forAction(ActionId::MediaPlayPause);
        // An application's own profile holds all its keys.
        for (const char* app : {"", "corv-test-a"}) {
            entries[app].key[kVkJ][0] = BindAction::forAction(ActionId::TriggerSwipeL);
            entries[app].key[kVkL][0] = BindAction::forAction(ActionId::TriggerSwipeR);
            entries[app].key[kVkF][0] = BindAction::forAction(ActionId::FullscreenWindow);
        }
    });
    const auto posted = [&] { return input.written("Corvadine virtual input"); };
    const auto press = [&](std::uint16_t code) {
        for (const auto& k : tap(code)) input.send(keyboard, {{EV_MSC, MSC_SCAN, k.code}, k});
    };
    const auto& current = engine::CurrentApp::shared();
    const auto& byPid = ShellState::shared().runningAppsByPid;
    EXPECT_TRUE(spinUntil([&] { return byPid.count(static_cast<std::int32_t>(a)) && byPid.count(static_cast<std::int32_t>(b)); }));

    // Focused by the compositor, each application's key binding acts: A's
    // own, and the global one for B, which has no entry.
    Keys expected;
    for (qint64 pid : {b, a, b, a}) {
        const bool isA = pid == a;
        ASSERT_TRUE(compositor.focus(isA ? "corv-test-a" : "corv-test-b"));
        EXPECT_TRUE(spinUntil([&] { return current.pid == pid; }, 3000)) << pid;
        EXPECT_EQ(current.settingsKey, isA ? "corv-test-a" : "");
        const std::size_t before = posted().size();
        press(KEY_K);
        spinUntil([&] { return posted().size() >= before + 2; }, 3000);
        expected = expected + tap(isA ? KEY_PLAYPAUSE : KEY_NEXTSONG);
        EXPECT_EQ(posted(), expected);
    }

    // The desktop keys: on from the first desktop, back, and nothing before the first.
    ASSERT_EQ(compositor.currentDesktop(), 0);
    for (const auto& [key, desktopAfter] : {std::pair{KEY_J, 1}, std::pair{KEY_L, 0}, std::pair{KEY_L, 0},
                                            std::pair{KEY_J, 1}}) {
        press(key);
        EXPECT_TRUE(spinUntil([&] { return compositor.currentDesktop() == desktopAfter; }, 3000))
            << "ended on " << compositor.currentDesktop().value_or(-1);
    }

    // The full-screen key changes the focused window, and only it.
    ASSERT_TRUE(compositor.focus("corv-test-a"));
    ASSERT_TRUE(spinUntil([&] { return current.pid == a; }, 3000));
    for (bool on : {true, false}) {
        press(KEY_F);
        EXPECT_TRUE(spinUntil([&] { return compositor.fullScreen("corv-test-a") == on; }, 3000)) << on;
        EXPECT_EQ(compositor.fullScreen("corv-test-b"), false);
    }

    // A closed window's application leaves the map.
    ::kill(static_cast<pid_t>(b), SIGTERM);
    EXPECT_TRUE(spinUntil([&] { return byPid.count(static_cast<std::int32_t>(b)) == 0; }));
    EXPECT_EQ(byPid.count(static_cast<std::int32_t>(a)), 1u);

    resetShared();
    desktop.reset();
    for (const char* name : {"XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP", "WAYLAND_DISPLAY", "SWAYSOCK"}) qunsetenv(name);
}

INSTANTIATE_TEST_SUITE_P(Desktops, CompositorDesktopTest,
                         ::testing::Values(Desktop{HeadlessCompositor::Kind::Sway, "sway", "sway"}),
                         [](const auto& info) {
                             return std::string(info.param.kind == HeadlessCompositor::Kind::Sway ? "Sway" : "KWin");
                         });

} // namespace
} // namespace corv::desktop
