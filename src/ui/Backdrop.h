#pragma once

// The frosted backdrop of the panel, the hints and dimmed content. Linux
// windows cannot read what lies behind them, so it lays the translucent tint
// only, without blurring. Radius and tint are fixed when it is made.
// A backdrop is a background: it lets every press and hover through to what
// lies under it, so it never holds controls. A container that stands on a
// backdrop paints the tint itself (paintBackdrop).

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

// Lays a backdrop's tint over the whole of `widget`, from its paint event.
void paintBackdrop(QWidget& widget, const QColor& tint);

// The generic grey of a level at an alpha, as the panel's tints use it.
QColor genericGrey(double level, double alpha);

} // namespace corv::ui
