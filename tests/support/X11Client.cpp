// A client window for the X11 tests: x y width height instance class
// [nopid] [retain] [steps]. Sets WM_CLASS and (unless "nopid") _NET_WM_PID, maps the
// window where asked and waits to be ended. Asked to close, it destroys the
// window and goes on running; with "retain" its window outlives the process.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 7) return 2;
    bool withPid = true, retain = false, steps = false;
    for (int i = 7; i < argc; ++i) {
        if (std::strcmp(argv[i], "nopid") == 0) withPid = false;
        if (std::strcmp(argv[i], "retain") == 0) retain = true;
        if (std::strcmp(argv[i], "steps") == 0) steps = true;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const int x = std::atoi(argv[1]), y = std::atoi(argv[2]);
    const unsigned w = static_cast<unsigned>(std::atoi(argv[3])), h = static_cast<unsigned>(std::atoi(argv[4]));
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, w, h, 0, 0, 0xffffff);
    XSizeHints* size = XAllocSizeHints();
    size->flags = USPosition | USSize | (steps ? PResizeInc : 0);  // "steps": sized in cells, as a terminal
    size->width_inc = size->height_inc = 7;
    size->x = x;
    size->y = y;
    size->width = static_cast<int>(w);
    size->height = static_cast<int>(h);
    XSetWMNormalHints(display, window, size);
    XFree(size);
    XClassHint hint{argv[5], argv[6]};
    XSetClassHint(display, window, &hint);
    XStoreName(display, window, argv[6]);
    if (withPid) {
        const long pid = static_cast<long>(::getpid());
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    }
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    if (retain) XSetCloseDownMode(display, RetainPermanent);
    XMapWindow(display, window);
    XFlush(display);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) {
            XDestroyWindow(display, window);
            XFlush(display);
        }
    }
}
