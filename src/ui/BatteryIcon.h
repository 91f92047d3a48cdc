#pragma once

// A Logitech device's battery: the symbol of its charge band with the
// percentage beside it.

#include "ui/BatteryGlyph.h"

#include <QColor>
#include <QWidget>

class QLabel;

namespace corv::ui {

// A symbol at 16 points in its colour softened 20 % toward the primary one.
// Name and colour are fixed when it is made.
class ShadowedIcon final : public QWidget {
public:
    ShadowedIcon(const QString& name, const QColor& color, QWidget* parent = nullptr);
    const QString& name() const { return name_; }
    QColor shownColor() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const QString name_;
    const QColor color_;
};

class BatteryIcon final : public QWidget {
public:
    explicit BatteryIcon(std::int64_t batt, QWidget* parent = nullptr);
    // A new level; another band replaces the symbol.
    void setBatt(std::int64_t batt);
    const BatteryGlyph& glyph() const { return glyph_; }

private:
    BatteryGlyph glyph_;
    ShadowedIcon* icon_ = nullptr;
    QLabel* text_;
};

QColor batteryToneColor(BatteryTone tone);

} // namespace corv::ui
