// The facility chosen at start from the session's environment and what answers on the bus.

#include "platform/desktop/windows/CompositorChoice.h"

#include <gtest/gtest.h>

#include <vector>

namespace corv::desktop {
namespace {

using F = CompositorFacility;

struct Case {
    const char* what;
    SessionFacts facts;
    std::vector<F> chosen;
};

TEST(CompositorChoice, EachSessionGetsItsFacilitiesAndXwaylandNeverDecides) {
    const Case cases[] = {
        {"X11 session", {"x11", "KDE", "", "", false, false}, {F::X11}},
        {"X11 session, kwin_x11 on the bus", {"x11", "KDE", "", "", true, false}, {F::X11}},
        {"no session type, no Wayland display", {"", "", "", "", false, false}, {F::X11}},
        {"tty session type with a Wayland display", {"tty", "", "wayland-1", "", false, false}, {F::WlrToplevels}},
        {"X11 session type with a stray Wayland display", {"x11", "", "wayland-1", "", false, false}, {F::X11}},
        {"sway", {"wayland", "sway", "wayland-1", "/run/sway.sock", false, false}, {F::Sway, F::WlrToplevels}},
        {"Plasma", {"wayland", "KDE", "wayland-0", "", true, false}, {F::KWin}},
        {"KWin without XDG_CURRENT_DESKTOP", {"wayland", "", "wayland-0", "", true, false}, {F::KWin}},
        {"Plasma before KWin answers", {"wayland", "KDE", "wayland-0", "", false, false}, {}},
        {"GNOME with the extension", {"wayland", "ubuntu:GNOME", "wayland-0", "", false, true}, {F::GnomeExtension}},
        {"GNOME without the extension", {"wayland", "ubuntu:GNOME", "wayland-0", "", false, false}, {F::GnomeExtension}},
        {"Hyprland", {"wayland", "Hyprland", "wayland-1", "", false, false}, {F::WlrToplevels}},
        {"labwc", {"wayland", "labwc:wlroots", "wayland-0", "", false, false}, {F::WlrToplevels}},
        {"sway without its socket", {"wayland", "sway", "wayland-1", "", false, false}, {F::WlrToplevels}},
        {"weston", {"wayland", "weston", "wayland-0", "", false, false}, {F::WlrToplevels}},
        {"Wayland session type, no display", {"wayland", "", "", "", false, false}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(chooseFacilities(c.facts), c.chosen) << c.what;
}

TEST(CompositorChoice, TheShellIsTheOneTheDesktopNamesElseTheOneOnTheBus) {
    using S = DesktopShell;
    const struct {
        const char* what;
        SessionFacts facts;
        S shell;
    } cases[] = {
        {"GNOME on X11", {"x11", "ubuntu:GNOME", "", "", false, false}, S::Gnome},
        {"GNOME on Wayland", {"wayland", "GNOME", "wayland-0", "", false, true}, S::Gnome},
        {"Plasma", {"wayland", "KDE", "wayland-0", "", true, false}, S::Kde},
        {"Cinnamon", {"x11", "X-Cinnamon", "", "", false, false}, S::Cinnamon},
        {"Xfce", {"x11", "XFCE", "", "", false, false}, S::Xfce},
        {"sway", {"wayland", "sway", "wayland-1", "/run/sway.sock", false, false}, S::Other},
        {"unnamed, GNOME Shell on the bus", {"x11", "", "", "", false, false, true, false}, S::Gnome},
        {"unnamed, Cinnamon on the bus", {"x11", "", "", "", false, false, false, true}, S::Cinnamon},
        {"unnamed, KWin on the bus", {"wayland", "", "wayland-0", "", true, false}, S::Kde},
        {"nothing known", {"x11", "i3", "", "", false, false}, S::Other},
    };
    for (const auto& c : cases) EXPECT_EQ(chooseDesktopShell(c.facts), c.shell) << c.what;
}

} // namespace
} // namespace corv::desktop
