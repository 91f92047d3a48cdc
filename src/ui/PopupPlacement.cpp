#include "ui/PopupPlacement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace corv::ui {

platform::Rect keepInside(platform::Rect wanted, platform::Rect area) {
    wanted.x = std::max(std::min(wanted.x, area.x + area.width - wanted.width), area.x);
    wanted.y = std::max(std::min(wanted.y, area.y + area.height - wanted.height), area.y);
    return wanted;
}

QRect workAreaAt(const QWidget* anchor) {
    const QScreen* screen = nullptr;
    if (anchor) screen = QGuiApplication::screenAt(anchor->mapToGlobal(anchor->rect().center()));
    if (!screen && anchor) screen = anchor->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void placePopup(QWidget* popup, const QWidget* anchor, const QRect& wanted) {
    const QRect area = workAreaAt(anchor);
    QRect place = wanted;
    // Left of its anchor with the screen's edge in the way: it goes to the
    // right of the anchor's window instead of being pushed over the anchor.
    if (area.isValid() && anchor && place.left() < area.left() &&
        place.right() < anchor->mapToGlobal(QPoint(0, 0)).x()) {
        const QRect beside = place.translated(anchor->window()->frameGeometry().right() + 1 - place.left(), 0);
        if (beside.right() <= area.right()) place = beside;
    }
    QPoint at = place.topLeft();
    if (area.isValid()) {
        const platform::Rect r = keepInside({double(place.x()), double(place.y()), double(place.width()),
                                             double(place.height())},
                                            {double(area.x()), double(area.y()), double(area.width()),
                                             double(area.height())});
        at = QPoint(int(r.x), int(r.y));
    }
    popup->move(at);
}

} // namespace corv::ui
