#include "ui/XPointer.h"

#include <QCoreApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>
#include <xcb/xproto.h>

#include <algorithm>

namespace corv::test {

namespace {
Display* dpy(void* d) { return static_cast<Display*>(d); }
} // namespace

// A window of the program's own: the numbered marks reach it in order.
class XPointer::Marks final : public QWindow {
public:
    long sent = 0, seen = 0;

protected:
    bool nativeEvent(const QByteArray&, void* message, qintptr*) override {
        const auto* e = static_cast<const xcb_client_message_event_t*>(message);
        if ((e->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
        seen = std::max<long>(seen, e->data.data32[0]);
        return true;
    }
};

XPointer::XPointer() : display_(XOpenDisplay(nullptr)), marks_(std::make_unique<Marks>()) { marks_->create(); }

XPointer::~XPointer() {
    if (display_) XCloseDisplay(dpy(display_));
}

void XPointer::moveTo(QPoint p) {
    XTestFakeMotionEvent(dpy(display_), -1, p.x(), p.y(), CurrentTime);
    settle();
}

void XPointer::press(int button) {
    XTestFakeButtonEvent(dpy(display_), static_cast<unsigned>(button), True, CurrentTime);
    settle();
}

void XPointer::release(int button) {
    XTestFakeButtonEvent(dpy(display_), static_cast<unsigned>(button), False, CurrentTime);
    settle();
}

void XPointer::click(QPoint p, int button) {
    moveTo(p);
    press(button);
    release(button);
}

void XPointer::drag(QPoint from, QPoint to) {
    moveTo(from);
    press();
    for (int i = 1; i <= 8; ++i) moveTo(from + (to - from) * i / 8);
    release();
}

QRect XPointer::onRoot(const QWidget* w) const {
    const QWidget* top = w->window();
    Window child = 0;
    int x = 0, y = 0;
    XTranslateCoordinates(dpy(display_), static_cast<Window>(top->winId()), DefaultRootWindow(dpy(display_)), 0, 0, &x,
                          &y, &child);
    return QRect(QPoint(x, y) + w->mapTo(top, QPoint(0, 0)), w->size());
}

bool XPointer::waitUntilReleased() const {
    Display* d = dpy(display_);
    return QTest::qWaitFor(
        [&] {
            const int got = XGrabPointer(d, DefaultRootWindow(d), False, 0, GrabModeAsync, GrabModeAsync, None, None,
                                         CurrentTime);
            if (got == GrabSuccess) XUngrabPointer(d, CurrentTime);
            XSync(d, False);
            return got == GrabSuccess;
        },
        10000);
}

bool XPointer::embedded(const QWidget* w) const {
    const auto window = static_cast<Window>(w->window()->winId());
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(dpy(display_), window, &root, &parent, &children, &count)) return false;
    if (children) XFree(children);
    XWindowAttributes attributes{};
    return parent != root && XGetWindowAttributes(dpy(display_), window, &attributes) &&
           attributes.map_state == IsViewable;
}

std::optional<QPoint> XPointer::hintedPosition(const QWidget* window) const {
    XSizeHints hints{};
    long supplied = 0;
    if (!XGetWMNormalHints(dpy(display_), static_cast<Window>(window->winId()), &hints, &supplied)) return std::nullopt;
    if (!(hints.flags & (USPosition | PPosition))) return std::nullopt;
    return QPoint(hints.x, hints.y);
}

void XPointer::wheel(int button, int notches) {
    for (int i = 0; i < notches; ++i) {
        XTestFakeButtonEvent(dpy(display_), static_cast<unsigned>(button), True, CurrentTime);
        XTestFakeButtonEvent(dpy(display_), static_cast<unsigned>(button), False, CurrentTime);
    }
    settle();
}

void XPointer::key(unsigned long keysym, std::initializer_list<unsigned long> held) {
    const auto put = [&](unsigned long k, bool down) {
        XTestFakeKeyEvent(dpy(display_), XKeysymToKeycode(dpy(display_), k), down, CurrentTime);
    };
    for (unsigned long m : held) put(m, true);
    put(keysym, true);
    put(keysym, false);
    for (unsigned long m : held) put(m, false);
    XSync(dpy(display_), False);
}

bool XPointer::insideShape(const QWidget* window, QPoint p) const {
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(dpy(display_), static_cast<Window>(window->winId()), ShapeBounding, &count,
                                            &ordering);
    bool inside = false;
    for (int i = 0; i < count; ++i)
        inside = inside || QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height).contains(p);
    if (rects) XFree(rects);
    return inside;
}

void XPointer::settle() {
    XEvent e{};
    e.xclient = {ClientMessage, 0, False, dpy(display_), static_cast<Window>(marks_->winId()), XA_CARDINAL, 32, {}};
    const long mark = e.xclient.data.l[0] = ++marks_->sent;
    XSendEvent(dpy(display_), e.xclient.window, False, NoEventMask, &e);
    XFlush(dpy(display_));
    // Missed, the assertions after it tell.
    static_cast<void>(QTest::qWaitFor([&] { return marks_->seen >= mark; }, 10000));
    QCoreApplication::processEvents();  // what Qt made of the events before it
}

} // namespace corv::test
