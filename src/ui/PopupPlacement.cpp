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
    QPoint at = wanted.topLeft();
    if (area.isValid()) {
        const platform::Rect r = keepInside({double(wanted.x()), double(wanted.y()), double(wanted.width()),
                                             double(wanted.height())},
                                            {double(area.x()), double(area.y()), double(area.width()),
                                             double(area.height())});
        at = QPoint(int(r.x), int(r.y));
    }
    popup->move(at);
}

} // namespace corv::ui
