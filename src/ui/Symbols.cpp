#include "ui/Symbols.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace corv::ui {

namespace {

void drawCircleMark(QPainter& p, const QRectF& r, const QString& mark) {
    p.drawEllipse(r);
    const QPointF c = r.center();
    const double k = r.width() * 0.2;
    if (mark == QLatin1String("x")) {
        p.drawLine(c + QPointF(-k, -k), c + QPointF(k, k));
        p.drawLine(c + QPointF(-k, k), c + QPointF(k, -k));
    } else {
        QFont f = p.font();
        f.setPixelSize(int(r.height() * 0.7));
        f.setBold(true);
        p.setFont(f);
        p.drawText(r, Qt::AlignCenter, mark);
    }
}

void drawBattery(QPainter& p, const QRectF& r, const QString& name, const QColor& color) {
    const QRectF body(r.left(), r.center().y() - r.height() * 0.25, r.width() * 0.88, r.height() * 0.5);
    p.drawRoundedRect(body, 2, 2);
    p.fillRect(QRectF(body.right() + 1, body.center().y() - body.height() * 0.2, r.width() * 0.08, body.height() * 0.4),
               color);
    double level = 0;
    if (name.contains(QLatin1String("100"))) level = 1.0;
    else if (name.contains(QLatin1String("75"))) level = 0.75;
    else if (name.contains(QLatin1String("50"))) level = 0.5;
    else if (name.contains(QLatin1String("25"))) level = 0.25;
    const QRectF inner = body.adjusted(2, 2, -2, -2);
    if (level > 0) p.fillRect(QRectF(inner.left(), inner.top(), inner.width() * level, inner.height()), color);
    if (name.endsWith(QLatin1String("bolt"))) {
        QPainterPath bolt;
        const QPointF c = body.center();
        const double s = body.height() * 0.45;
        bolt.moveTo(c + QPointF(s * 0.2, -s));
        bolt.lineTo(c + QPointF(-s * 0.5, s * 0.1));
        bolt.lineTo(c + QPointF(0, s * 0.1));
        bolt.lineTo(c + QPointF(-s * 0.2, s));
        bolt.lineTo(c + QPointF(s * 0.5, -s * 0.1));
        bolt.lineTo(c + QPointF(0, -s * 0.1));
        bolt.closeSubpath();
        p.fillPath(bolt, QColor(255, 255, 255, 230));
    }
}

} // namespace

void drawSymbol(QPainter& p, const QString& name, const QRectF& box, const QColor& color, bool light) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(box.width(), box.height());
    p.setPen(QPen(color, std::max(1.0, side / (light ? 16.0 : 11.0)), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const double m = side * 0.1;
    const QRectF r(box.center().x() - side / 2 + m, box.center().y() - side / 2 + m, side - 2 * m, side - 2 * m);
    const QPointF c = r.center();
    // Points in the unit square of the whole box.
    const QRectF u(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
    const auto at = [&](double x, double y) { return QPointF(u.left() + x * side, u.top() + y * side); };
    if (name == QLatin1String("checkmark")) {
        QPainterPath path(at(0.2, 0.55));
        path.lineTo(at(0.42, 0.76));
        path.lineTo(at(0.8, 0.26));
        p.drawPath(path);
    } else if (name == QLatin1String("doc.on.clipboard")) {
        p.drawRoundedRect(QRectF(at(0.2, 0.18), at(0.8, 0.9)), side * 0.06, side * 0.06);
        p.drawRect(QRectF(at(0.36, 0.1), at(0.64, 0.24)));
        p.drawLine(at(0.34, 0.48), at(0.66, 0.48));
        p.drawLine(at(0.34, 0.66), at(0.66, 0.66));
    } else if (name == QLatin1String("bolt.fill")) {
        p.setBrush(color);
        p.drawPolygon(QPolygonF{at(0.58, 0.06), at(0.24, 0.56), at(0.48, 0.56), at(0.4, 0.94), at(0.76, 0.42), at(0.52, 0.42)});
    } else if (name == QLatin1String("arrow.down.square")) {
        p.drawRoundedRect(QRectF(at(0.1, 0.1), at(0.9, 0.9)), side * 0.16, side * 0.16);
        QPainterPath path(at(0.66, 0.3));
        path.lineTo(at(0.46, 0.3));
        path.cubicTo(at(0.3, 0.3), at(0.3, 0.56), at(0.46, 0.56));
        path.lineTo(at(0.68, 0.56));
        path.lineTo(at(0.68, 0.76));
        p.drawPath(path);
        p.drawLine(at(0.68, 0.76), at(0.58, 0.66));
        p.drawLine(at(0.68, 0.76), at(0.78, 0.66));
    } else if (name == QLatin1String("trash")) {
        p.drawLine(at(0.18, 0.24), at(0.82, 0.24));
        p.drawRect(QRectF(at(0.4, 0.12), at(0.6, 0.24)));
        p.drawRoundedRect(QRectF(at(0.26, 0.24), at(0.74, 0.9)), side * 0.05, side * 0.05);
        p.drawLine(at(0.42, 0.38), at(0.42, 0.78));
        p.drawLine(at(0.58, 0.38), at(0.58, 0.78));
    } else if (name == QLatin1String("lock") || name == QLatin1String("lock.open")) {
        const bool open = name == QLatin1String("lock.open");
        p.drawRoundedRect(QRectF(at(0.2, 0.46), at(0.8, 0.9)), side * 0.06, side * 0.06);
        QPainterPath shackle(at(0.32, 0.46));
        shackle.lineTo(at(0.32, 0.3));
        shackle.cubicTo(at(0.32, 0.06), at(0.68, 0.06), at(0.68, 0.3));
        shackle.lineTo(at(0.68, open ? 0.36 : 0.46));
        if (open) shackle.translate(side * 0.22, -side * 0.04);
        p.drawPath(shackle);
    } else if (name == QLatin1String("xmark.circle")) {
        drawCircleMark(p, r, QStringLiteral("x"));
    } else if (name == QLatin1String("questionmark.circle")) {
        drawCircleMark(p, r, QStringLiteral("?"));
    } else if (name.startsWith(QLatin1String("battery."))) {
        drawBattery(p, r, name, color);
    } else if (name == QLatin1String("globe")) {
        p.drawEllipse(r);
        p.drawEllipse(QRectF(c.x() - r.width() * 0.22, r.top(), r.width() * 0.44, r.height()));
        p.drawLine(QPointF(r.left(), c.y()), QPointF(r.right(), c.y()));
        p.drawLine(QPointF(c.x(), r.top()), QPointF(c.x(), r.bottom()));
    } else if (name == QLatin1String("keyboard")) {
        const QRectF body = r.adjusted(0, r.height() * 0.2, 0, -r.height() * 0.2);
        p.drawRoundedRect(body, 3, 3);
        for (int row = 0; row < 2; ++row)
            for (int col = 0; col < 5; ++col)
                p.drawPoint(QPointF(body.left() + body.width() * (col + 1) / 6, body.top() + body.height() * (row + 1) / 4));
        p.drawLine(QPointF(body.left() + body.width() * 0.3, body.bottom() - body.height() * 0.22),
                   QPointF(body.right() - body.width() * 0.3, body.bottom() - body.height() * 0.22));
    } else if (name == QLatin1String("plus.app")) {
        p.drawRoundedRect(r, r.width() * 0.22, r.width() * 0.22);
        p.drawLine(QPointF(c.x(), r.top() + r.height() * 0.28), QPointF(c.x(), r.bottom() - r.height() * 0.28));
        p.drawLine(QPointF(r.left() + r.width() * 0.28, c.y()), QPointF(r.right() - r.width() * 0.28, c.y()));
    } else if (name == QLatin1String("apps.iphone")) {
        const QRectF phone(c.x() - r.width() * 0.3, r.top(), r.width() * 0.6, r.height());
        p.drawRoundedRect(phone, 3, 3);
        const double s = phone.width() * 0.22;
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 3; ++j)
                p.drawRect(QRectF(phone.left() + phone.width() * (0.2 + 0.38 * i), phone.top() + phone.height() * (0.15 + 0.25 * j), s, s));
    } else if (name == QLatin1String("gearshape")) {
        const double ro = r.width() * 0.5, ri = r.width() * 0.36;
        QPainterPath gear;
        for (int i = 0; i < 16; ++i) {
            const double a = i * M_PI / 8;
            const double rad = (i % 2 == 0) ? ro : ri;
            const QPointF q = c + QPointF(std::cos(a) * rad, std::sin(a) * rad);
            if (i == 0) gear.moveTo(q);
            else gear.lineTo(q);
        }
        gear.closeSubpath();
        p.drawPath(gear);
        p.drawEllipse(c, r.width() * 0.14, r.width() * 0.14);
    } else if (name == QLatin1String("hand.tap")) {
        const QRectF finger(c.x() - r.width() * 0.12, r.top() + r.height() * 0.3, r.width() * 0.24, r.height() * 0.7);
        p.drawRoundedRect(finger, finger.width() / 2, finger.width() / 2);
        p.drawArc(QRectF(c.x() - r.width() * 0.3, r.top(), r.width() * 0.6, r.height() * 0.5), 20 * 16, 140 * 16);
    } else {
        p.drawRoundedRect(r, r.width() * 0.2, r.width() * 0.2);
    }
    p.restore();
}

QPixmap symbolPixmap(const QString& name, double pointSize, const QColor& color, bool light) {
    const double dpr = qApp ? qApp->devicePixelRatio() : 1.0;
    const int side = std::max(1, int(std::ceil(pointSize * 1.15)));
    QPixmap pm(int(side * dpr), int(side * dpr));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    drawSymbol(p, name, QRectF(0, 0, side, side), color, light);
    return pm;
}

} // namespace corv::ui
