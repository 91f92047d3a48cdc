#include "ui/Backdrop.h"

#include <QPainter>

namespace corv::ui {

BackdropView::BackdropView(double radius, const QColor& tint, QWidget* parent)
    : QWidget(parent), radius_(radius), tint_(tint) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BackdropView::paintEvent(QPaintEvent*) { paintBackdrop(*this, tint_); }

void paintBackdrop(QWidget& widget, const QColor& tint) {
    if (tint.alpha() == 0) return;
    QPainter p(&widget);
    p.fillRect(widget.rect(), tint);
}

QColor genericGrey(double level, double alpha) {
    QColor c = QColor::fromRgbF(float(level), float(level), float(level));
    c.setAlphaF(float(alpha));
    return c;
}

} // namespace corv::ui
