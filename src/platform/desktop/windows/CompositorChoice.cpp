#include "platform/desktop/windows/CompositorChoice.h"

#include "platform/desktop/shell/BusProbe.h"
#include "platform/desktop/windows/EwmhWindows.h"
#include "platform/desktop/windows/GnomeShellWindows.h"
#include "platform/desktop/windows/KWinWindows.h"
#include "platform/desktop/windows/SwayWindows.h"
#include "platform/desktop/windows/WlrToplevels.h"
#include "platform/desktop/shell/DesktopTrace.h"

#include <QDBusMessage>

#include <cstdlib>
#include <sstream>

namespace corv::desktop {

namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool hasOwner(const QDBusConnection& bus, const QString& name) {
    if (!bus.isConnected()) return false;
    auto call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                               QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    call << name;
    const QDBusMessage reply =
        bus.call(call, QDBus::Block, static_cast<int>(kCompositorBound.count()));
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().front().toBool();
}

std::unique_ptr<CompositorWindows> open(CompositorFacility facility, platform::RunLoop& loop, const SessionFacts& facts,
                                        const QString& sessionBus) {
    switch (facility) {
    case CompositorFacility::Sway:
        return SwayWindows::open(loop, facts.swaySocket);
    case CompositorFacility::KWin:
        return KWinWindows::open(loop, sessionBus);
    case CompositorFacility::GnomeExtension:
        // Also without the extension: it is offered to the user, and taken up once on.
        return std::make_unique<GnomeShellWindows>(loop, GnomeShellWindows::Options{sessionBus});
    case CompositorFacility::WlrToplevels:
        return WlrToplevels::open(loop, facts.waylandDisplay);
    case CompositorFacility::X11:
        return std::make_unique<EwmhWindows>(loop);
    }
    return nullptr;
}

// The shell $XDG_CURRENT_DESKTOP names first; Other when none is known.
DesktopShell namedShell(const std::string& currentDesktop) {
    std::istringstream desktops(currentDesktop);
    for (std::string name; std::getline(desktops, name, ':');) {
        if (name == "GNOME") return DesktopShell::Gnome;
        if (name == "KDE") return DesktopShell::Kde;
        if (name == "X-Cinnamon" || name == "Cinnamon") return DesktopShell::Cinnamon;
        if (name == "XFCE") return DesktopShell::Xfce;
    }
    return DesktopShell::Other;
}

} // namespace

SessionFacts readSessionFacts(const QString& sessionBus) {
    SessionFacts facts;
    facts.sessionType = env("XDG_SESSION_TYPE");
    facts.currentDesktop = env("XDG_CURRENT_DESKTOP");
    facts.waylandDisplay = env("WAYLAND_DISPLAY");
    facts.swaySocket = env("SWAYSOCK");
    const bool wayland = isWaylandSession(facts.sessionType, facts.waylandDisplay);
    // An X11 session asks the bus nothing.
    if (wayland && facts.swaySocket.empty()) {
        ServiceBus bus(sessionBus, BusKind::Session, QStringLiteral("corv-compositor-"));
        facts.kwinOnBus = hasOwner(bus, QStringLiteral("org.kde.KWin"));
        facts.gnomeExtensionOnBus = hasOwner(bus, QString::fromLatin1(kGnomeExtensionService));
    }
    if (namedShell(facts.currentDesktop) == DesktopShell::Other) {
        ServiceBus bus(sessionBus, BusKind::Session, QStringLiteral("corv-shell-"));
        facts.kwinOnBus = facts.kwinOnBus || hasOwner(bus, QStringLiteral("org.kde.KWin"));
        facts.gnomeShellOnBus = hasOwner(bus, QStringLiteral("org.gnome.Shell"));
        facts.cinnamonOnBus = hasOwner(bus, QStringLiteral("org.Cinnamon"));
    }
    return facts;
}

std::vector<CompositorFacility> chooseFacilities(const SessionFacts& facts) {
    if (!isWaylandSession(facts.sessionType, facts.waylandDisplay)) return {CompositorFacility::X11};
    std::vector<CompositorFacility> out;
    if (!facts.swaySocket.empty()) out.push_back(CompositorFacility::Sway);
    if (facts.kwinOnBus) out.push_back(CompositorFacility::KWin);
    // Any other compositor may offer the foreign-toplevel protocol; GNOME and
    // KWin offer none.
    std::istringstream desktops(facts.currentDesktop);
    bool gnome = false, kde = false;
    for (std::string name; std::getline(desktops, name, ':');) {
        gnome = gnome || name == "GNOME";
        kde = kde || name == "KDE";
    }
    const bool gnomeOrKde = gnome || kde;
    if (facts.gnomeExtensionOnBus || (gnome && !facts.kwinOnBus)) out.push_back(CompositorFacility::GnomeExtension);
    if (!facts.waylandDisplay.empty() && !gnomeOrKde && !facts.kwinOnBus) out.push_back(CompositorFacility::WlrToplevels);
    return out;
}

DesktopShell chooseDesktopShell(const SessionFacts& facts) {
    const DesktopShell named = namedShell(facts.currentDesktop);
    if (named != DesktopShell::Other) return named;
    if (facts.cinnamonOnBus) return DesktopShell::Cinnamon;
    if (facts.gnomeShellOnBus) return DesktopShell::Gnome;
    if (facts.kwinOnBus) return DesktopShell::Kde;
    return DesktopShell::Other;
}

std::unique_ptr<CompositorWindows> openCompositorWindows(platform::RunLoop& loop, const QString& sessionBus) {
    return openCompositorWindows(loop, sessionBus, readSessionFacts(sessionBus));
}

std::unique_ptr<CompositorWindows> openCompositorWindows(platform::RunLoop& loop, const QString& sessionBus,
                                                         const SessionFacts& facts) {
    for (CompositorFacility facility : chooseFacilities(facts)) {
        if (auto windows = open(facility, loop, facts, sessionBus)) {
            if (traceEnabled()) trace(("compositor: " + windows->name()).c_str());
            return windows;
        }
    }
    if (traceEnabled()) trace("compositor: none answers");
    // Without a display of its own: it finds nothing.
    return std::make_unique<EwmhWindows>(loop);
}

} // namespace corv::desktop
