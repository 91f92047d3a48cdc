#pragma once

// Draws content brighter than white on screens with extended dynamic range:
// red, green and blue are multiplied by 1 + scale × the screen's headroom.
// Screens that report no headroom (every screen Qt describes today) draw the
// content unchanged.

#include <QGraphicsEffect>
#include <QImage>

namespace corv::ui {

// The main screen's headroom above white, read once; 0 without one.
double edrHeadroom();

// The factor for a share of the headroom.
double hdrBrightness(double headroomScale, double headroom);

// Multiplies red, green and blue by the factor, clamped; alpha unchanged.
void applyBrightness(QImage& image, double brightness);

class BrightnessBoost : public QGraphicsEffect {
public:
    explicit BrightnessBoost(double headroomScale, QObject* parent = nullptr);
    double brightness() const { return brightness_; }

protected:
    void draw(QPainter* painter) override;

private:
    double brightness_;
};

} // namespace corv::ui
