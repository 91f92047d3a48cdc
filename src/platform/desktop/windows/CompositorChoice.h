#pragma once

// Which facility tells the program about the desktop's windows, chosen once
// at start from the session's environment and what answers on the session bus.

#include "platform/RunLoop.h"
#include "platform/desktop/bus/DesktopViews.h"
#include "platform/desktop/windows/CompositorWindows.h"
#include "platform/desktop/shell/SessionType.h"

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace corv::desktop {

enum class CompositorFacility {
    X11,             // an X11 session: EWMH on the program's own X connection
    Sway,            // sway's IPC at $SWAYSOCK
    KWin,            // KWin's scripting over D-Bus
    GnomeExtension,  // the program's GNOME Shell extension over D-Bus
    WlrToplevels,    // wlroots' foreign-toplevel protocol
};

// The bus name our GNOME Shell extension owns on the session bus.
inline constexpr const char* kGnomeExtensionService = "com.brelvantoque.Corvadine.Shell";

// What the choice looks at.
struct SessionFacts {
    std::string sessionType;     // $XDG_SESSION_TYPE
    std::string currentDesktop;  // $XDG_CURRENT_DESKTOP, colon-separated
    std::string waylandDisplay;  // $WAYLAND_DISPLAY
    std::string swaySocket;      // $SWAYSOCK
    bool kwinOnBus = false;      // org.kde.KWin has an owner
    bool gnomeExtensionOnBus = false;
    // Asked only when $XDG_CURRENT_DESKTOP names no known shell.
    bool gnomeShellOnBus = false;
    bool cinnamonOnBus = false;
};

// The environment's facts, the bus names asked with a bounded wait;
// `sessionBus` empty: the standard session bus.
SessionFacts readSessionFacts(const QString& sessionBus);

// The facilities to try, best first; empty when none can tell (an X11 session
// gives X11 alone). Xwayland's X view never decides in a Wayland session.
std::vector<CompositorFacility> chooseFacilities(const SessionFacts& facts);

// The shell whose overviews the program drives, on X11 and Wayland alike: the
// one $XDG_CURRENT_DESKTOP names, else the one that answers on the bus.
DesktopShell chooseDesktopShell(const SessionFacts& facts);

// The first facility of the choice that opens; where none does, EWMH on the
// program's own X connection, which has none in a Wayland session.
std::unique_ptr<CompositorWindows> openCompositorWindows(platform::RunLoop& loop, const QString& sessionBus);
std::unique_ptr<CompositorWindows> openCompositorWindows(platform::RunLoop& loop, const QString& sessionBus,
                                                         const SessionFacts& facts);

} // namespace corv::desktop
