#include "platform/desktop/shell/DesktopDisplayCheck.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

namespace corv::desktop {

namespace {

constexpr const char* kOffscreenNotice =
    "corvadine: no display found; running on the offscreen platform: it needs a desktop session (DISPLAY or "
    "WAYLAND_DISPLAY) to show its icon and panel\n";

// The platform list this process chose for Qt, to be taken back once Qt has read it.
bool g_chosePlatform = false;
// A named display was given offscreen as its fallback.
bool g_fallback = false;

bool set(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

} // namespace

void useOffscreenWithoutDisplay() {
    if (set("QT_QPA_PLATFORM")) return;
    const bool x11 = set("DISPLAY");
    const bool wayland = set("WAYLAND_DISPLAY");
    // Both named: Qt's own choice, and the other one as its alternative.
    if (x11 && wayland) return;
    g_chosePlatform = true;
    if (!x11 && !wayland) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        std::fputs(kOffscreenNotice, stderr);
        return;
    }
    // A display that is named need not answer (its session may have ended):
    // Qt tries the next platform of the list when one cannot connect.
    ::setenv("QT_QPA_PLATFORM", x11 ? "xcb;offscreen" : "wayland;offscreen", 1);
    g_fallback = true;
}

void platformChosen() {
    if (g_fallback && QGuiApplication::platformName() == QStringLiteral("offscreen")) std::fputs(kOffscreenNotice, stderr);
    g_fallback = false;
    // Programs this one starts choose for themselves.
    if (g_chosePlatform) qunsetenv("QT_QPA_PLATFORM");
    g_chosePlatform = false;
}

} // namespace corv::desktop
