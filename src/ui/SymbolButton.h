#pragma once

// The panel's symbol buttons: flat buttons showing one named symbol.

#include <QColor>
#include <QRectF>
#include <QToolButton>

class QPainter;

namespace corv::ui {

enum class Symbol { Checkmark, QuestionCircle, Paste, Bolt, LoadGlobal, Trash, Lock, LockOpen, XmarkCircle };

// The panel's name of the symbol.
QString symbolName(Symbol s);
void drawSymbol(QPainter& p, Symbol s, const QRectF& box, const QColor& color);

// How much of its colour a disabled symbol keeps.
inline constexpr double kDisabledSymbolAlpha = 0.3;

// A flat button showing one symbol; faint while disabled.
class SymbolButton : public QToolButton {
public:
    SymbolButton(Symbol s, int size, QWidget* parent);
    void setSymbol(Symbol s);
    Symbol symbol() const { return symbol_; }
    void setColor(const QColor& c);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Symbol symbol_;
    QColor color_;
};

} // namespace corv::ui
