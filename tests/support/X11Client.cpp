// A client window for the X11 tests: x y width height instance class
// [nopid]. Sets WM_CLASS and (unless "nopid") _NET_WM_PID, maps the window
// where asked and waits to be ended.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 7) return 2;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const int x = std::atoi(argv[1]), y = std::atoi(argv[2]);
    const unsigned w = static_cast<unsigned>(std::atoi(argv[3])), h = static_cast<unsigned>(std::atoi(argv[4]));
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, w, h, 0, 0, 0xffffff);
    XSizeHints* size = XAllocSizeHints();
    size->flags = USPosition | USSize;
    size->x = x;
    size->y = y;
    size->width = static_cast<int>(w);
    size->height = static_cast<int>(h);
    XSetWMNormalHints(display, window, size);
    XFree(size);
    XClassHint hint{argv[5], argv[6]};
    XSetClassHint(display, window, &hint);
    XStoreName(display, window, argv[6]);
    if (argc < 8 || std::strcmp(argv[7], "nopid") != 0) {
        const long pid = static_cast<long>(::getpid());
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    }
    XMapWindow(display, window);
    XFlush(display);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
    }
}
