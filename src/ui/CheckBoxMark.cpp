#include "ui/CheckBoxMark.h"

#include "ui/DrawnAccess.h"

#include "ui/SymbolButton.h"
#include "ui/Theme.h"

#include <QPainter>

namespace corv::ui {

CheckBoxMark::CheckBoxMark(QWidget* parent) : QToolButton(parent), color_(primaryColor()) {
    setFixedSize(28, 20);
    setAutoRaise(true);
    setCheckState(this, false);
}

void CheckBoxMark::setOn(bool on) {
    on_ = on;
    setCheckState(this, on);
    update();
}

void CheckBoxMark::setColor(const QColor& c) {
    color_ = c;
    update();
}

void CheckBoxMark::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0.5, 0.5, 19, 19);
    p.setPen(QPen(color_, 1));
    p.drawRoundedRect(box, 4, 4);
    if (on_) drawSymbol(p, Symbol::Checkmark, box.adjusted(3, 3, -3, -3), color_);
}

} // namespace corv::ui
