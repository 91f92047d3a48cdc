#include "platform/desktop/shell/DesktopSymbols.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace corv::desktop {

namespace {

// Every symbol is drawn on a 24 x 24 grid.
constexpr double kGrid = 24;

QColor textColor(const TrayLook* tray) {
    if (tray && tray->foreground) return *tray->foreground;
    return QGuiApplication::palette().color(QPalette::WindowText);
}

QColor colorNamed(const std::string& name, const TrayLook* tray) {
    if (name == "systemRed") return tray && tray->error ? *tray->error : QColor(255, 59, 48);
    if (name == "white") return Qt::white;
    return textColor(tray);  // "labelColor" and anything else
}

// The colours of the symbol's two layers.
std::pair<QColor, QColor> layerColors(const platform::SymbolImage& image, const TrayLook* tray) {
    if (image.palette.empty()) return {textColor(tray), textColor(tray)};
    const QColor first = colorNamed(image.palette.front(), tray);
    return {first, image.palette.size() > 1 ? colorNamed(image.palette[1], tray) : first};
}

// Black round a light colour, white round a dark one.
QColor haloFor(const QColor& c) { return c.lightnessF() > 0.5 ? QColor(0, 0, 0) : QColor(255, 255, 255); }

QPen line(const QColor& color, double width = 1.8) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A trackpad with a hand pointing up and left at it.
void drawTrackpadAndHand(QPainter& p, const QColor& color) {
    p.setPen(line(color, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2, 3, 16, 12), 2.5, 2.5);
    QPainterPath hand;
    hand.setFillRule(Qt::WindingFill);
    hand.addRoundedRect(QRectF(12.2, 8.5, 3.2, 10), 1.6, 1.6);   // index finger
    hand.addRoundedRect(QRectF(15.2, 12.5, 2.6, 6), 1.3, 1.3);   // middle finger
    hand.addRoundedRect(QRectF(17.6, 13.3, 2.6, 5.5), 1.3, 1.3); // ring finger
    hand.addRoundedRect(QRectF(12.2, 15.5, 9, 6.5), 2.5, 2.5);   // palm
    hand = hand.simplified();
    // A gap between the hand and the trackpad's outline.
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.strokePath(hand, QPen(Qt::black, 2.6));
    p.restore();
    p.fillPath(hand, color);
}

// A circle holding an arrow that turns anticlockwise.
void drawRestart(QPainter& p, const QColor& color) {
    p.setPen(line(color, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12, 12), 10, 10);
    QPainterPath arc;
    const QRectF circle(6.5, 6.5, 11, 11);
    arc.arcMoveTo(circle, 110);
    arc.arcTo(circle, 110, 290);
    p.drawPath(arc);
    // The head at the arc's start, pointing along it.
    QPainterPath head;
    head.moveTo(9.1, 4.6);
    head.lineTo(12.6, 7.0);
    head.lineTo(8.9, 9.6);
    head.closeSubpath();
    p.setPen(line(color, 1.2));
    p.setBrush(color);
    p.drawPath(head);
}

// A ring open at the top with a bar through the opening.
void drawPower(QPainter& p, const QColor& color) {
    p.setPen(line(color, 2.0));
    p.setBrush(Qt::NoBrush);
    QPainterPath ring;
    const QRectF circle(4, 5, 16, 16);
    ring.arcMoveTo(circle, 125);
    ring.arcTo(circle, 125, 290);
    p.drawPath(ring);
    p.drawLine(QPointF(12, 2.5), QPointF(12, 12));
}

void drawMicrophone(QPainter& p, const QColor& color, bool filled) {
    p.setPen(line(color, 1.7));
    p.setBrush(filled ? QBrush(color) : QBrush(Qt::NoBrush));
    p.drawRoundedRect(QRectF(8.5, 2, 7, 12.5), 3.5, 3.5);
    p.setBrush(Qt::NoBrush);
    QPainterPath holder;
    holder.moveTo(5.5, 10.5);
    holder.cubicTo(5.5, 19.5, 18.5, 19.5, 18.5, 10.5);
    p.drawPath(holder);
    p.drawLine(QPointF(12, 17.3), QPointF(12, 21));
    p.drawLine(QPointF(8.5, 21.5), QPointF(15.5, 21.5));
}

// The microphone in the second colour, struck through in the first.
void drawMicrophoneSlash(QPainter& p, const QColor& slash, const QColor& body) {
    drawMicrophone(p, body, false);
    const QLineF stroke(QPointF(4, 2.5), QPointF(20, 21.5));
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(line(Qt::black, 4.2));
    p.drawLine(stroke);
    p.restore();
    p.setPen(line(slash, 1.9));
    p.drawLine(stroke);
}

// An upward arrow over a bar.
void drawCapsLock(QPainter& p, const QColor& color, bool filled) {
    QPainterPath arrow;
    arrow.moveTo(12, 2.5);
    arrow.lineTo(21, 11.5);
    arrow.lineTo(16, 11.5);
    arrow.lineTo(16, 16);
    arrow.lineTo(8, 16);
    arrow.lineTo(8, 11.5);
    arrow.lineTo(3, 11.5);
    arrow.closeSubpath();
    p.setPen(line(color, 1.6));
    p.setBrush(filled ? QBrush(color) : QBrush(Qt::NoBrush));
    p.drawPath(arrow);
    p.setBrush(filled ? QBrush(color) : QBrush(Qt::NoBrush));
    p.drawRoundedRect(QRectF(8, 18.5, 8, 3), 0.8, 0.8);
}

// A question mark in a circle: a symbol the program has no drawing for.
void drawUnknown(QPainter& p, const QColor& color) {
    p.setPen(line(color, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12, 12), 10, 10);
    QPainterPath mark;
    mark.moveTo(9, 9.5);
    mark.cubicTo(9, 5.5, 15, 5.5, 15, 9.5);
    mark.cubicTo(15, 12, 12, 12, 12, 14.5);
    p.drawPath(mark);
    p.setBrush(color);
    p.drawEllipse(QPointF(12, 17.8), 1.1, 1.1);
}

// The symbol alone, in its colours.
QPixmap drawGlyph(const platform::SymbolImage& image, const QSize& size, QIcon::Mode mode, const TrayLook* tray,
                  double inset) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    if (size.isEmpty()) return pixmap;
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(size.width(), size.height()) - 2 * inset;
    if (side <= 0) return pixmap;
    p.translate((size.width() - side) / 2, (size.height() - side) / 2);
    p.scale(side / kGrid, side / kGrid);
    auto [first, second] = layerColors(image, tray);
    if (mode == QIcon::Disabled) {
        first.setAlphaF(first.alphaF() * 0.4);
        second.setAlphaF(second.alphaF() * 0.4);
    }
    const std::string& s = image.symbol;
    if (s == "rectangle.and.hand.point.up.left.filled") drawTrackpadAndHand(p, first);
    else if (s == "restart.circle") drawRestart(p, first);
    else if (s == "power") drawPower(p, first);
    else if (s == "microphone") drawMicrophone(p, first, false);
    else if (s == "microphone.slash") drawMicrophoneSlash(p, first, second);
    else if (s == "capslock") drawCapsLock(p, first, false);
    else if (s == "capslock.fill") drawCapsLock(p, first, true);
    else drawUnknown(p, first);
    return pixmap;
}

QPixmap drawSymbol(const platform::SymbolImage& image, const QSize& size, QIcon::Mode mode,
                   const TrayLook* tray = nullptr) {
    if (!tray || tray->foreground || size.isEmpty()) return drawGlyph(image, size, mode, tray, 0);
    // The halo: the glyph's shape, widened on every side, in the contrasting
    // colour, under the glyph; the glyph shrinks to leave it room.
    const double side = std::min(size.width(), size.height());
    const double ring = std::max(1.0, side / 16);
    const QPixmap glyph = drawGlyph(image, size, mode, tray, ring);
    QPixmap shape = glyph;
    {
        QPainter tint(&shape);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        QColor halo = haloFor(textColor(tray));
        if (mode == QIcon::Disabled) halo.setAlphaF(0.4f);
        tint.fillRect(shape.rect(), halo);
    }
    QPixmap out(size);
    out.fill(Qt::transparent);
    QPainter p(&out);
    constexpr int kSteps = 16;
    for (int i = 0; i < kSteps; ++i) {
        const double a = 2 * 3.14159265358979 * i / kSteps;
        p.drawPixmap(QPointF(ring * std::cos(a), ring * std::sin(a)), shape);
    }
    p.drawPixmap(0, 0, glyph);
    return out;
}

// Draws the symbol afresh at every size asked, in the colours of the moment.
class SymbolEngine final : public QIconEngine {
public:
    explicit SymbolEngine(platform::SymbolImage image, std::optional<TrayLook> tray = std::nullopt)
        : image_(std::move(image)), tray_(std::move(tray)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const double ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap pixmap = drawSymbol(image_, rect.size() * ratio, mode, tray());
        pixmap.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, pixmap);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        return drawSymbol(image_, size, mode, tray());
    }
    QIconEngine* clone() const override { return new SymbolEngine(image_, tray_); }
    // Trays that take a list of pictures get these sizes.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> out;
        for (const int side : kTrayIconSizes) out.push_back({side, side});
        return out;
    }
    // No theme has the program's symbols: a named icon would send trays
    // looking for it there rather than taking the pictures.
    QString iconName() override { return {}; }

private:
    const TrayLook* tray() const { return tray_ ? &*tray_ : nullptr; }

    platform::SymbolImage image_;
    std::optional<TrayLook> tray_;
};

} // namespace

QIcon symbolIcon(const platform::SymbolImage& image) { return QIcon(new SymbolEngine(image)); }

QIcon traySymbolIcon(const platform::SymbolImage& image, const TrayLook& look) {
    return QIcon(new SymbolEngine(image, look));
}

} // namespace corv::desktop
