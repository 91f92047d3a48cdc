#pragma once

// The frosted backdrop of the panel, the hints and dimmed content. Linux
// windows cannot read what lies behind them, so it lays the translucent tint
// only, without blurring. Radius and tint are fixed when it is made.

#include <QColor>
#include <QWidget>

namespace corv::ui {

class BackdropView : public QWidget {
public:
    BackdropView(double radius, const QColor& tint, QWidget* parent = nullptr);
    double radius() const { return radius_; }
    const QColor& tint() const { return tint_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const double radius_;
    const QColor tint_;
};

// The generic grey of a level at an alpha, as the panel's tints use it.
QColor genericGrey(double level, double alpha);

} // namespace corv::ui
