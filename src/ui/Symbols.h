#pragma once

// The panel's symbols, drawn as plain line figures in one colour.

#include <QColor>
#include <QRectF>
#include <QPixmap>
#include <QString>

class QPainter;

namespace corv::ui {

// Draws the named symbol in the square centred in `box`.
void drawSymbol(QPainter& p, const QString& name, const QRectF& box, const QColor& color, bool light = false);

// The symbol at the font size (the picture is a square of about that size);
// an unknown name draws a rounded box.
QPixmap symbolPixmap(const QString& name, double pointSize, const QColor& color, bool light = false);

} // namespace corv::ui
