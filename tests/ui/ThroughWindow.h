#pragma once

// A user's pointer on a panel widget: the events go to the widget's window,
// so Qt's own hit-testing picks the widget that gets them. A widget that a
// sibling or a mouse-transparent ancestor hides never sees them.

#include "ui/LayOutNow.h"

#include <QAbstractAnimation>
#include <QApplication>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

namespace corv::test {

// The window point of `local` in `w`; shows the window first if it is not.
// Layouts still pending are done first: the user aims at what is drawn, and
// the window draws only after them.
inline QPoint windowPoint(QWidget* w, QPoint local) {
    QWidget* top = w->window();
    if (!top->isVisible()) top->show();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    return w->mapTo(top, local);
}

inline QPoint centre(QWidget* w) { return QPoint(w->width() / 2, w->height() / 2); }

inline void pressAt(QWidget* w, QPoint local) {
    const QPoint at = windowPoint(w, local);
    QTest::mousePress(w->window()->windowHandle(), Qt::LeftButton, {}, at);
}

inline void releaseAt(QWidget* w, QPoint local) {
    const QPoint at = windowPoint(w, local);
    QTest::mouseRelease(w->window()->windowHandle(), Qt::LeftButton, {}, at);
}

inline void clickAt(QWidget* w, QPoint local) {
    const QPoint at = windowPoint(w, local);
    QWindow* window = w->window()->windowHandle();
    QTest::mouseMove(window, at);
    QTest::mouseClick(window, Qt::LeftButton, {}, at);
}

inline void click(QWidget* w) { clickAt(w, centre(w)); }

// A switch: a click on its box, at its left end.
inline void clickSwitch(QWidget* w) { clickAt(w, QPoint(8, w->height() / 2)); }

inline void hover(QWidget* w, QPoint local) { QTest::mouseMove(w->window()->windowHandle(), windowPoint(w, local)); }

// The wheel turned `notches` (up when positive; left with `sideways`) with
// the pointer on `local` of `w`.
inline void wheelAt(QWidget* w, QPoint local, int notches, bool sideways = false) {
    const QPoint at = windowPoint(w, local);
    QWindow* window = w->window()->windowHandle();
    const QPoint angle = sideways ? QPoint(notches * 120, 0) : QPoint(0, notches * 120);
    QWheelEvent e(at, window->mapToGlobal(at), QPoint(), angle, Qt::NoButton, {}, Qt::NoScrollPhase, false);
    // As from the window system: only then does the wheel pass up to the
    // widget that scrolls.
    QSpontaneKeyEvent::setSpontaneous(&e);
    qApp->notify(window, &e);
}

// A press on `from` of `w`, moved by `by` in steps, let go there.
inline void dragAt(QWidget* w, QPoint from, QPoint by) {
    QWindow* window = w->window()->windowHandle();
    const QPoint at = windowPoint(w, from);
    QTest::mouseMove(window, at);
    QTest::mousePress(window, Qt::LeftButton, {}, at);
    for (int i = 1; i <= 8; ++i) QTest::mouseMove(window, at + by * i / 8);
    QTest::mouseRelease(window, Qt::LeftButton, {}, at + by);
}

// Once `w`'s window is shown and laid out and no animation of its widgets
// runs (a highlight's spring, a row's slide); false after 5 s.
inline bool atRest(QWidget* w) {
    if (!QTest::qWaitForWindowExposed(w->window())) return false;
    QApplication::processEvents();
    ui::layOutNow(w->window());
    return QTest::qWaitFor([w] { return w->findChildren<QAbstractAnimation*>().isEmpty(); });
}

// The widget the window's hit-testing finds at `local` of `w`.
inline QWidget* hitAt(QWidget* w, QPoint local) {
    QWidget* top = w->window();
    return top->childAt(w->mapTo(top, local));
}

} // namespace corv::test
