// A system-tray host for the X11 tests: top|bottom RRGGBB. A bar the width
// of the screen, 32 high, at the screen's top or bottom edge in that colour;
// it owns the tray selection, docks each icon that asks (XEMBED) at its right
// end, and keeps its edge clear of other windows (struts; without a window
// manager it sets the work area itself). Runs until ended.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kBar = 32;
constexpr int kIcon = 24;

Atom atom(Display* d, const char* name) { return XInternAtom(d, name, False); }

void setCardinals(Display* d, Window w, const char* name, std::vector<long> values) {
    XChangeProperty(d, w, atom(d, name), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
}

// An icon may be gone by the time the bar docks it (a program that makes its
// icon again at start): the bar carries on rather than exit on BadWindow.
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 1;
    XSetErrorHandler(&ignoreErrors);
    const bool top = std::strcmp(argv[1], "top") == 0;
    const unsigned long colour = std::strtoul(argv[2], nullptr, 16);
    const int screen = DefaultScreen(d);
    const Window root = RootWindow(d, screen);
    const int width = DisplayWidth(d, screen), height = DisplayHeight(d, screen);
    const int y = top ? 0 : height - kBar;

    XSetWindowAttributes attrs{};
    attrs.background_pixel = colour;
    attrs.event_mask = SubstructureNotifyMask | StructureNotifyMask;
    const Window bar = XCreateWindow(d, root, 0, y, static_cast<unsigned>(width), kBar, 0, CopyFromParent, InputOutput,
                                     CopyFromParent, CWBackPixel | CWEventMask, &attrs);
    // Where a window manager keeps other windows out: the bar's edge.
    std::vector<long> strut(12, 0);
    strut[top ? 2 : 3] = kBar;
    strut[top ? 9 : 11] = width - 1;  // the edge's end x
    setCardinals(d, bar, "_NET_WM_STRUT_PARTIAL", strut);
    setCardinals(d, bar, "_NET_WM_STRUT", {strut.begin(), strut.begin() + 4});
    XSizeHints* size = XAllocSizeHints();
    size->flags = USPosition | USSize;
    size->x = 0;
    size->y = y;
    size->width = width;
    size->height = kBar;
    XSetWMNormalHints(d, bar, size);
    XFree(size);
    const long dock = static_cast<long>(atom(d, "_NET_WM_WINDOW_TYPE_DOCK"));
    XChangeProperty(d, bar, atom(d, "_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&dock), 1);
    setCardinals(d, bar, "_NET_SYSTEM_TRAY_ORIENTATION", {0});
    XMapRaised(d, bar);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(d, root, atom(d, "_NET_SUPPORTING_WM_CHECK"), 0, 1, False, XA_WINDOW, &type, &format, &count,
                       &after, &data);
    if (data) XFree(data);
    if (type == None) setCardinals(d, root, "_NET_WORKAREA", {0, top ? kBar : 0, width, height - kBar});

    const Atom selection = atom(d, "_NET_SYSTEM_TRAY_S0");
    XSetSelectionOwner(d, selection, bar, CurrentTime);
    XClientMessageEvent manager{};
    manager.type = ClientMessage;
    manager.window = root;
    manager.message_type = atom(d, "MANAGER");
    manager.format = 32;
    manager.data.l[0] = CurrentTime;
    manager.data.l[1] = static_cast<long>(selection);
    manager.data.l[2] = static_cast<long>(bar);
    XSendEvent(d, root, False, StructureNotifyMask, reinterpret_cast<XEvent*>(&manager));
    XFlush(d);

    const Atom opcode = atom(d, "_NET_SYSTEM_TRAY_OPCODE"), xembed = atom(d, "_XEMBED");
    int docked = 0;
    for (;;) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type != ClientMessage || e.xclient.message_type != opcode || e.xclient.data.l[1] != 0) continue;
        const auto icon = static_cast<Window>(e.xclient.data.l[2]);
        ++docked;
        XReparentWindow(d, icon, bar, width - 8 - docked * (kIcon + 8), (kBar - kIcon) / 2);
        XResizeWindow(d, icon, kIcon, kIcon);
        XMapRaised(d, icon);
        XClientMessageEvent notify{};
        notify.type = ClientMessage;
        notify.window = icon;
        notify.message_type = xembed;
        notify.format = 32;
        notify.data.l[0] = CurrentTime;
        notify.data.l[1] = 0;  // XEMBED_EMBEDDED_NOTIFY
        notify.data.l[3] = static_cast<long>(bar);
        notify.data.l[4] = 0;
        XSendEvent(d, icon, False, NoEventMask, reinterpret_cast<XEvent*>(&notify));
        XFlush(d);
    }
}
