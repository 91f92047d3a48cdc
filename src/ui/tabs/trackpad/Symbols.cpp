#include "ui/tabs/trackpad/Symbols.h"

#include "ui/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace corv::ui::trackpad {

void drawSymbol(QPainter& p, Symbol s, const QRectF& box, const QColor& color) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(box.width(), box.height());
    const QRectF r(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
    QPen pen(color, std::max(1.0, side / 14), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const auto at = [&](double x, double y) { return QPointF(r.left() + x * side, r.top() + y * side); };
    switch (s) {
    case Symbol::Checkmark: {
        QPainterPath path(at(0.2, 0.55));
        path.lineTo(at(0.42, 0.76));
        path.lineTo(at(0.8, 0.26));
        p.drawPath(path);
        break;
    }
    case Symbol::QuestionCircle: {
        p.drawEllipse(r.adjusted(side * 0.08, side * 0.08, -side * 0.08, -side * 0.08));
        QPainterPath q(at(0.38, 0.38));
        q.cubicTo(at(0.38, 0.22), at(0.62, 0.22), at(0.62, 0.38));
        q.cubicTo(at(0.62, 0.5), at(0.5, 0.5), at(0.5, 0.6));
        p.drawPath(q);
        p.drawPoint(at(0.5, 0.74));
        break;
    }
    case Symbol::Paste:
        p.drawRoundedRect(QRectF(at(0.2, 0.18), at(0.8, 0.9)), side * 0.06, side * 0.06);
        p.drawRect(QRectF(at(0.36, 0.1), at(0.64, 0.24)));
        p.drawLine(at(0.34, 0.48), at(0.66, 0.48));
        p.drawLine(at(0.34, 0.66), at(0.66, 0.66));
        break;
    case Symbol::Bolt: {
        QPolygonF bolt{at(0.58, 0.06), at(0.24, 0.56), at(0.48, 0.56), at(0.4, 0.94), at(0.76, 0.42), at(0.52, 0.42)};
        p.setBrush(color);
        p.drawPolygon(bolt);
        break;
    }
    case Symbol::LoadGlobal: {
        p.drawRoundedRect(QRectF(at(0.1, 0.1), at(0.9, 0.9)), side * 0.16, side * 0.16);
        QPainterPath u(at(0.66, 0.3));
        u.lineTo(at(0.46, 0.3));
        u.cubicTo(at(0.3, 0.3), at(0.3, 0.56), at(0.46, 0.56));
        u.lineTo(at(0.68, 0.56));
        u.lineTo(at(0.68, 0.76));
        p.drawPath(u);
        p.drawLine(at(0.68, 0.76), at(0.58, 0.66));
        p.drawLine(at(0.68, 0.76), at(0.78, 0.66));
        break;
    }
    case Symbol::XmarkCircle:
        p.drawEllipse(r.adjusted(side * 0.08, side * 0.08, -side * 0.08, -side * 0.08));
        p.drawLine(at(0.36, 0.36), at(0.64, 0.64));
        p.drawLine(at(0.64, 0.36), at(0.36, 0.64));
        break;
    case Symbol::Trash:
        p.drawLine(at(0.18, 0.24), at(0.82, 0.24));
        p.drawRect(QRectF(at(0.4, 0.12), at(0.6, 0.24)));
        p.drawRoundedRect(QRectF(at(0.26, 0.24), at(0.74, 0.9)), side * 0.05, side * 0.05);
        p.drawLine(at(0.42, 0.38), at(0.42, 0.78));
        p.drawLine(at(0.58, 0.38), at(0.58, 0.78));
        break;
    case Symbol::Lock:
    case Symbol::LockOpen: {
        p.drawRoundedRect(QRectF(at(0.2, 0.46), at(0.8, 0.9)), side * 0.06, side * 0.06);
        QPainterPath shackle(at(0.32, 0.46));
        shackle.lineTo(at(0.32, 0.3));
        shackle.cubicTo(at(0.32, 0.06), at(0.68, 0.06), at(0.68, 0.3));
        shackle.lineTo(at(0.68, s == Symbol::Lock ? 0.46 : 0.36));
        if (s == Symbol::LockOpen) shackle.translate(side * 0.22, -side * 0.04);
        p.drawPath(shackle);
        break;
    }
    }
    p.restore();
}

SymbolButton::SymbolButton(Symbol s, int size, QWidget* parent)
    : QToolButton(parent), symbol_(s), color_(primaryColor()) {
    setFixedSize(size + 4, size + 4);
    setAutoRaise(true);
    setCursor(Qt::PointingHandCursor);
}

void SymbolButton::setSymbol(Symbol s) {
    symbol_ = s;
    update();
}

void SymbolButton::setColor(const QColor& c) {
    color_ = c;
    update();
}

void SymbolButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor c = !isEnabled() ? dimLabelColor() : isDown() ? blendedColor(color_, secondaryColor(), 0.5) : color_;
    drawSymbol(p, symbol_, QRectF(rect()).adjusted(2, 2, -2, -2), c);
}

CheckBoxMark::CheckBoxMark(QWidget* parent) : QToolButton(parent), color_(primaryColor()) {
    setFixedSize(28, 20);
    setAutoRaise(true);
}

void CheckBoxMark::setOn(bool on) {
    on_ = on;
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

} // namespace corv::ui::trackpad
