#include "ui/XKeys.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace corv::test {

namespace {
Display* dpy(void* d) { return static_cast<Display*>(d); }
} // namespace

XKeys::XKeys() : display_(XOpenDisplay(nullptr)) {}

XKeys::~XKeys() {
    if (display_) XCloseDisplay(dpy(display_));
}

void XKeys::key(unsigned long keysym, bool down) {
    XTestFakeKeyEvent(dpy(display_), XKeysymToKeycode(dpy(display_), keysym), down ? True : False, CurrentTime);
}

void XKeys::tap(unsigned long keysym, std::initializer_list<unsigned long> held) {
    for (unsigned long m : held) key(m, true);
    key(keysym, true);
    key(keysym, false);
    for (unsigned long m : held) key(m, false);
    XSync(dpy(display_), False);
}

void XKeys::type(const std::string& text) {
    for (char c : text) tap(static_cast<unsigned long>(c));
}

} // namespace corv::test
