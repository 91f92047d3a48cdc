#include "ui/RoundedOutline.h"

#include "platform/Platform.h"
#include "platform/Windows.h"

#include <QEvent>
#include <QPainterPath>
#include <QRegion>
#include <QWidget>

namespace corv::ui {

RoundedOutline::RoundedOutline(QWidget* window, double radius) : QObject(window), window_(window), radius_(radius) {
    window->installEventFilter(this);
}

bool RoundedOutline::eventFilter(QObject* watched, QEvent* e) {
    if (watched != window_) return false;
    if (e->type() == QEvent::Show) {
        // Asked at each showing: a compositor may have come or gone.
        composited_ = !platform::installed() || platform::windows().composited();
        apply();
    } else if (e->type() == QEvent::Resize) {
        apply();
    }
    return false;
}

void RoundedOutline::apply() {
    if (composited_) {
        window_->clearMask();
        return;
    }
    QPainterPath outline;
    outline.addRoundedRect(QRectF(window_->rect()), radius_, radius_);
    window_->setMask(QRegion(outline.toFillPolygon().toPolygon()));
}

} // namespace corv::ui
