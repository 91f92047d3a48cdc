#pragma once

// The panel's symbols, drawn as plain line figures in one colour.

#include <QColor>
#include <QPixmap>
#include <QString>

namespace corv::ui {

// The symbol at the font size (the picture is a square of about that size);
// an unknown name draws a rounded box.
QPixmap symbolPixmap(const QString& name, double pointSize, const QColor& color, bool light = false);

} // namespace corv::ui
