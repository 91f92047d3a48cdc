// GNOME's desktops as Xwayland shows them while the program's extension is
// missing, on Xvfb with the test as the window manager: mutter tells the
// number of desktops at once but the current one only after the first change.

#include <gtest/gtest.h>

#include "platform/desktop/windows/XwaylandDesktops.h"

#include "platform/desktop/x11/X11Session.h"
#include "support/XServer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <optional>

namespace corv::desktop {
namespace {

class XwaylandDesktopsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(server.error(), "");
        manager = XOpenDisplay(server.name().c_str());
        ASSERT_TRUE(manager);
        root = DefaultRootWindow(manager);
        // The test takes the requests a window manager takes.
        XSelectInput(manager, root, SubstructureRedirectMask);
        XSync(manager, False);
    }
    void TearDown() override {
        if (manager) XCloseDisplay(manager);
    }

    void setCardinal(const char* name, std::optional<long> value) {
        const Atom atom = XInternAtom(manager, name, False);
        if (value) XChangeProperty(manager, root, atom, XA_CARDINAL, 32, PropModeReplace,
                                   reinterpret_cast<const unsigned char*>(&*value), 1);
        else XDeleteProperty(manager, root, atom);
        XSync(manager, False);
    }

    // The desktop the next _NET_CURRENT_DESKTOP request asks for, waiting at
    // most a second; nothing when none comes.
    std::optional<long> requested() {
        const Atom current = XInternAtom(manager, "_NET_CURRENT_DESKTOP", False);
        pollfd p{ConnectionNumber(manager), POLLIN, 0};
        for (int waited = 0; waited < 1000; waited += 50) {
            while (XPending(manager)) {
                XEvent e;
                XNextEvent(manager, &e);
                if (e.type == ClientMessage && e.xclient.message_type == current) return e.xclient.data.l[0];
            }
            ::poll(&p, 1, 50);
        }
        return std::nullopt;
    }

    test::XServer server;
    Display* manager = nullptr;
    Window root = 0;
};

TEST_F(XwaylandDesktopsTest, TheFirstDesktopIsCurrentUntilTheManagerSaysAndStepsStayWithinTheCount) {
    X11Session x11(server.name());
    ASSERT_TRUE(x11.connected());
    const struct {
        const char* what;
        std::optional<long> count, current;
        std::optional<CompositorDesktops> desktops;
        int step;
        std::optional<long> asked;  // nothing: no request, the step fails
    } cases[] = {
        {"no manager's word", std::nullopt, std::nullopt, std::nullopt, 1, std::nullopt},
        {"no change yet", 2, std::nullopt, CompositorDesktops{0, 2}, 1, 1},
        {"none before the first", 2, std::nullopt, CompositorDesktops{0, 2}, -1, std::nullopt},
        {"after the first change", 3, 1, CompositorDesktops{1, 3}, -1, 0},
        {"none after the last", 3, 2, CompositorDesktops{2, 3}, 1, std::nullopt},
        {"a current one beyond the count", 2, 5, std::nullopt, -1, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        setCardinal("_NET_NUMBER_OF_DESKTOPS", c.count);
        setCardinal("_NET_CURRENT_DESKTOP", c.current);
        EXPECT_EQ(xwaylandDesktops(x11), c.desktops);
        EXPECT_EQ(stepXwaylandDesktop(x11, c.step), c.asked.has_value());
        x11.sync();
        if (c.asked) {
            EXPECT_EQ(requested(), c.asked);
        }
    }
}

} // namespace
} // namespace corv::desktop
