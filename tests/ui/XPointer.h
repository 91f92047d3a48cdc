#pragma once

// The user's pointer and keyboard on the test's X server: XTest moves the
// pointer and presses buttons and keys, so the server decides which window
// gets each event. Positions are
// read from the server, not from Qt.

#include <QPoint>
#include <QRect>

#include <initializer_list>
#include <memory>
#include <optional>

class QWidget;

namespace corv::test {

class XPointer {
public:
    XPointer();
    ~XPointer();
    XPointer(const XPointer&) = delete;
    XPointer& operator=(const XPointer&) = delete;
    bool ok() const { return display_ != nullptr; }

    void moveTo(QPoint p);
    void press(int button = 1);
    void release(int button = 1);
    void click(QPoint p, int button = 1);
    // A press at `from`, moved to `to` in steps, let go there.
    void drag(QPoint from, QPoint to);

    // Where `w` lies on the root window, as the server says.
    QRect onRoot(const QWidget* w) const;
    QPoint centreOnRoot(const QWidget* w) const { return onRoot(w).center(); }
    // Whether `w`'s window is shown inside another one (a tray's, say).
    bool embedded(const QWidget* w) const;

    // The position a window's WM_NORMAL_HINTS give, when they give one.
    std::optional<QPoint> hintedPosition(const QWidget* window) const;

    // Turns the wheel: button 4 up, 5 down, 6 left, 7 right; `notches` clicks.
    void wheel(int button, int notches);
    // Presses and lets go the key of `keysym`, `held` (modifiers' keysyms)
    // held round it.
    void key(unsigned long keysym, std::initializer_list<unsigned long> held = {});

    // Whether the point of `window` lies inside its bounding shape (XShape).
    bool insideShape(const QWidget* window, QPoint p) const;

    // Returns once the program has taken every event the server sent it so
    // far: a message sent to one of its windows after them comes after them.
    void settle();
    // Waits until no client holds the pointer: a menu just closed may keep
    // it for a moment on a busy machine, and a click meanwhile goes to it.
    bool waitUntilReleased() const;

private:
    class Marks;
    void* display_;
    std::unique_ptr<Marks> marks_;
};

} // namespace corv::test
