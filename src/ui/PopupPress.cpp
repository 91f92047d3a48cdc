#include "ui/PopupPress.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace corv::ui {

void passPressesOn(QWidget* popup) {
    // Qt's own replay differs between platforms; this one is the same on all.
    popup->setAttribute(Qt::WA_NoMouseReplay);
}

bool pressOutside(QWidget* popup, QMouseEvent* e, const QWidget* anchor) {
    if (popup->rect().contains(e->position().toPoint())) return false;
    const QPoint global = e->globalPosition().toPoint();
    popup->close();
    QPointer<QWidget> under = QApplication::widgetAt(global);
    if (!under || under->window() == popup || (anchor && (under == anchor || anchor->isAncestorOf(under)))) return true;
    QWindow* window = under->window()->windowHandle();
    if (!window) return true;
    // Sent now, before the release that follows it.
    const QPointF local = window->mapFromGlobal(QPointF(global));
    QMouseEvent press(QEvent::MouseButtonPress, local, local, QPointF(global), e->button(), e->buttons(), e->modifiers(),
                      e->pointingDevice());
    QCoreApplication::sendEvent(window, &press);
    return true;
}

} // namespace corv::ui
