#include "ui/SymbolButton.h"

#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QPainter>

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
    const QColor c = !isEnabled() ? dimLabelColor() : isDown() ? blendedColor(color_, secondaryColor(), 0.5) : color_;
    drawSymbol(p, symbol_, QRectF(rect()).adjusted(2, 2, -2, -2), c);
}

} // namespace corv::ui
