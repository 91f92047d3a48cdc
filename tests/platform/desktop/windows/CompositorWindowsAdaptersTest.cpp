// The same scenarios through CompositorWindows for every adapter, each under
// its real desktop: X11 (Xvfb with openbox), sway, KWin and wlroots'
// foreign-toplevel protocol (sway's). The adapter lists the client windows
// with their processes, follows the focus the desktop's own tools change,
// activates, sets full screen and moves between desktops, as the desktop's
// own tools then read back.

#include "platform/desktop/DesktopRunLoop.h"
#include "platform/desktop/windows/EwmhWindows.h"
#include "platform/desktop/windows/KWinWindows.h"
#include "platform/desktop/windows/SwayWindows.h"
#include "platform/desktop/windows/WlrToplevels.h"
#include "platform/desktop/x11/X11Session.h"

#include "support/HeadlessCompositor.h"

#include <gtest/gtest.h>

// Xlib's macros last: they clash with names in the headers above.
#include "support/XServer.h"

#include <X11/extensions/XTest.h>

namespace corv::desktop {
namespace {

using test::HeadlessCompositor;
using test::spinUntil;

// The desktop under test, as its own tools see it; a window is named by its
// app id, or on X11 its class.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual std::string error() const = 0;
    // A client window; its pid, or -1.
    virtual qint64 start(const QString& name) = 0;
    virtual std::unique_ptr<CompositorWindows> open(platform::RunLoop& loop) = 0;
    virtual bool focus(const QString& name) = 0;
    virtual std::optional<QString> focused() = 0;
    virtual std::optional<bool> fullScreen(const QString& name) = 0;
    virtual std::optional<int> desktop() = 0;
    // A second desktop, with the window on it where the desktop needs one there.
    virtual bool twoDesktops(const QString& moving) = 0;
};

class Wayland final : public Desktop {
public:
    Wayland(HeadlessCompositor::Kind kind, bool wlr) : compositor_(kind), wlr_(wlr) {}
    std::string error() const override { return compositor_.error(); }
    qint64 start(const QString& name) override { return compositor_.startClient(name); }
    std::unique_ptr<CompositorWindows> open(platform::RunLoop& loop) override {
        if (wlr_) return WlrToplevels::open(loop, compositor_.waylandDisplay().toStdString());
        if (!compositor_.swaySocket().isEmpty()) return SwayWindows::open(loop, compositor_.swaySocket().toStdString());
        return KWinWindows::open(loop, compositor_.busAddress());
    }
    bool focus(const QString& name) override { return compositor_.focus(name); }
    std::optional<QString> focused() override { return compositor_.focusedApp(); }
    std::optional<bool> fullScreen(const QString& name) override { return compositor_.fullScreen(name); }
    std::optional<int> desktop() override { return compositor_.currentDesktop(); }
    bool twoDesktops(const QString& moving) override { return compositor_.addDesktop(moving); }

private:
    HeadlessCompositor compositor_;
    bool wlr_;
};

class X11 final : public Desktop {
public:
    X11() {
        if (server_.error().empty()) session_ = std::make_unique<X11Session>(server_.name());
    }
    std::string error() const override { return server_.error(); }
    qint64 start(const QString& name) override {
        const int x = 20 + 420 * started_++;
        return server_.startClient(x, 40, 300, 300, name, name);
    }
    // The manager comes now: its start-up scan takes the windows there.
    std::unique_ptr<CompositorWindows> open(platform::RunLoop& loop) override {
        server_.startManager();
        if (!server_.error().empty() ||
            !spinUntil([&] { return session_->clients().size() == static_cast<std::size_t>(started_); }))
            return nullptr;
        return std::make_unique<EwmhWindows>(loop, session_.get());
    }
    // A click in the window, as the user's; again while the manager, still
    // placing its windows, misses it.
    bool focus(const QString& name) override {
        const XWindowId window = windowOf(name);
        Display* d = server_.display();
        for (int click = 0; window && click < 3; ++click) {
            int x = 0, y = 0;
            Window child = 0;
            XTranslateCoordinates(d, window, DefaultRootWindow(d), 150, 150, &x, &y, &child);
            XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
            XTestFakeButtonEvent(d, 1, True, CurrentTime);
            XTestFakeButtonEvent(d, 1, False, CurrentTime);
            XSync(d, False);
            if (spinUntil([&] { return session_->activeWindow() == window; }, 1000)) return true;
        }
        return false;
    }
    std::optional<QString> focused() override { return nameOf(session_->activeWindow()); }
    std::optional<bool> fullScreen(const QString& name) override {
        return session_->hasState(windowOf(name), "_NET_WM_STATE_FULLSCREEN");
    }
    std::optional<int> desktop() override {
        const auto current = session_->currentDesktop();
        return current ? std::optional<int>(static_cast<int>(*current)) : std::nullopt;
    }
    // openbox has four.
    bool twoDesktops(const QString&) override { return session_->desktopCount().value_or(0) >= 2; }

private:
    std::optional<QString> nameOf(XWindowId window) {
        const auto wmClass = session_->wmClass(window);
        if (!wmClass) return std::nullopt;
        return QString::fromStdString(wmClass->second);
    }
    XWindowId windowOf(const QString& name) {
        for (XWindowId w : session_->clients())
            if (nameOf(w) == name) return w;
        return 0;
    }

    test::XServer server_;
    std::unique_ptr<X11Session> session_;
    int started_ = 0;
};

struct Row {
    const char* facility;
    std::function<std::unique_ptr<Desktop>()> desktop;
    bool pids = true;  // else each app id has a stand-in
};

class CompositorWindowsAdapters : public ::testing::TestWithParam<Row> {};

TEST_P(CompositorWindowsAdapters, ListFollowActivateFullScreenAndMoveBetweenDesktops) {
    const Row& row = GetParam();
    const auto desktop = row.desktop();
    ASSERT_EQ(desktop->error(), "");
    const QString a = "corv-test-a", b = "corv-test-b";
    const qint64 pidA = desktop->start(a), pidB = desktop->start(b);
    ASSERT_TRUE(pidA > 0 && pidB > 0);
    DesktopRunLoop loop;
    const auto windows = desktop->open(loop);
    ASSERT_TRUE(windows);
    EXPECT_EQ(windows->name(), row.facility);
    const auto named = [](const CompositorWindow& w, const QString& name) {
        return (w.appId.empty() ? w.wmClass : w.appId) == name.toStdString();
    };
    const auto find = [&](const QString& name) -> std::optional<CompositorWindow> {
        for (const auto& w : windows->windows().windows)
            if (named(w, name)) return w;
        return std::nullopt;
    };

    // Each window with its process, or a stand-in of its own.
    ASSERT_TRUE(spinUntil([&] { return find(a) && find(b); }));
    if (row.pids) {
        EXPECT_EQ(find(a)->pid, pidA);
        EXPECT_EQ(find(b)->pid, pidB);
    } else {
        EXPECT_TRUE(isStandInPid(find(a)->pid) && isStandInPid(find(b)->pid));
        EXPECT_NE(find(a)->pid, find(b)->pid);
    }

    // The desktop's own focus changes reach the watchers and the lookups.
    CompositorWindowList seen;
    const CompositorWatchId watch = windows->watchWindows([&](const CompositorWindowList& list) { seen = list; });
    for (const QString& name : {b, a, b}) {
        ASSERT_TRUE(desktop->focus(name));
        EXPECT_TRUE(spinUntil([&] {
            const auto focused = focusedWindow(seen), asked = windows->focused();
            return focused && named(*focused, name) && asked && asked->id == focused->id;
        })) << name.toStdString();
    }

    // Activation, as the desktop then says.
    ASSERT_TRUE(windows->activate(find(a)->id));
    EXPECT_TRUE(spinUntil([&] { return desktop->focused() == a; }));

    // Full screen on and off, as the desktop and then the adapter say.
    for (const bool on : {true, false}) {
        ASSERT_TRUE(windows->setFullScreen(find(a)->id, on));
        EXPECT_TRUE(spinUntil([&] { return desktop->fullScreen(a) == on; })) << on;
        EXPECT_TRUE(spinUntil([&] { return windows->fullScreen(find(a)->id) == on; })) << on;
        EXPECT_EQ(desktop->fullScreen(b), false);
    }

    // On to the next desktop and back, where the adapter can.
    if (windows->can(CompositorCapability::Desktops)) {
        ASSERT_TRUE(desktop->twoDesktops(b));
        ASSERT_TRUE(spinUntil([&] {
            const auto desktops = windows->desktops();
            return desktops && desktops->count >= 2 && desktops->current == 0;
        }));
        for (const int step : {1, -1}) {
            ASSERT_TRUE(windows->switchDesktop(step));
            const int expected = step > 0 ? 1 : 0;
            EXPECT_TRUE(spinUntil([&] { return desktop->desktop() == expected; })) << step;
            EXPECT_TRUE(spinUntil([&] { return windows->desktops() && windows->desktops()->current == expected; }));
        }
    }
    windows->unwatch(watch);
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, CompositorWindowsAdapters,
    ::testing::Values(Row{"x11", [] { return std::make_unique<X11>(); }},
                      Row{"sway", [] { return std::make_unique<Wayland>(HeadlessCompositor::Kind::Sway, false); }},
                      Row{"kwin", [] { return std::make_unique<Wayland>(HeadlessCompositor::Kind::KWin, false); }},
                      Row{"wlr-toplevels", [] { return std::make_unique<Wayland>(HeadlessCompositor::Kind::Sway, true); },
                          false}),
    [](const auto& info) {
        std::string name = info.param.facility;
        std::erase(name, '-');
        return name;
    });

} // namespace
} // namespace corv::desktop
