#include "ui/SymbolButton.h"

#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QPixmap>

namespace corv::ui {

QString symbolName(Symbol s) {
    switch (s) {
    case Symbol::Checkmark: return QStringLiteral("checkmark");
    case Symbol::QuestionCircle: return QStringLiteral("questionmark.circle");
    case Symbol::Paste: return QStringLiteral("doc.on.clipboard");
    case Symbol::Bolt: return QStringLiteral("bolt.fill");
    case Symbol::LoadGlobal: return QStringLiteral("arrow.down.square");
    case Symbol::Trash: return QStringLiteral("trash");
    case Symbol::Lock: return QStringLiteral("lock");
    case Symbol::LockOpen: return QStringLiteral("lock.open");
    case Symbol::XmarkCircle: break;
    }
    return QStringLiteral("xmark.circle");
}

void drawSymbol(QPainter& p, Symbol s, const QRectF& box, const QColor& color) {
    drawSymbol(p, symbolName(s), box, color, true);
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
    const QColor c = isDown() ? blendedColor(color_, secondaryColor(), 0.5) : color_;
    const QRectF box = QRectF(rect()).adjusted(2, 2, -2, -2);
    if (isEnabled()) {
        drawSymbol(p, symbol_, box, c);
        return;
    }
    // Disabled: drawn whole, then laid on faint, as a switched-off icon.
    QPixmap symbol(size() * devicePixelRatio());
    symbol.setDevicePixelRatio(devicePixelRatio());
    symbol.fill(Qt::transparent);
    QPainter sp(&symbol);
    drawSymbol(sp, symbol_, box, c);
    sp.end();
    p.setOpacity(kDisabledSymbolAlpha);
    p.drawPixmap(0, 0, symbol);
}

} // namespace corv::ui
