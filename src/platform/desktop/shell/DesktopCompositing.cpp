#include "platform/desktop/shell/DesktopCompositing.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <xcb/xcb.h>
// After Qt's headers: Xlib's macros would clash with them.
#include <X11/Xlib.h>

namespace corv::desktop {

bool compositingManagerRuns() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || !x11->display()) return true;
    xcb_connection_t* c = x11->connection();
    const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(x11->display()));
    auto* atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr);
    const xcb_atom_t selection = atom ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(atom);
    // Nobody ever asked for the name: nobody owns it.
    if (selection == XCB_ATOM_NONE) return false;
    auto* owner = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    const bool owned = owner && owner->owner != XCB_NONE;
    std::free(owner);
    return owned;
}

} // namespace corv::desktop
