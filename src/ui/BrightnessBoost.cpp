#include "ui/BrightnessBoost.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace corv::ui {

double edrHeadroom() {
    // Qt reports no extended range of any screen: ordinary white is the top.
    static const double headroom = 0.0;
    return headroom;
}

double hdrBrightness(double headroomScale, double headroom) {
    const double b = headroomScale * headroom + 1.0;
    return std::isfinite(b) && b > 0 ? b : 1.0;
}

void applyBrightness(QImage& image, double brightness) {
    if (brightness == 1.0) return;
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    const auto scale = [brightness](int c, int a) { return std::min(a, int(std::lround(c * brightness))); };
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = line[x];
            const int a = qAlpha(px);
            line[x] = qRgba(scale(qRed(px), a), scale(qGreen(px), a), scale(qBlue(px), a), a);
        }
    }
}

BrightnessBoost::BrightnessBoost(double headroomScale, QObject* parent)
    : QGraphicsEffect(parent), brightness_(hdrBrightness(headroomScale, edrHeadroom())) {}

void BrightnessBoost::draw(QPainter* painter) {
    if (brightness_ == 1.0) {
        drawSource(painter);
        return;
    }
    QPoint offset;
    QImage image = sourcePixmap(Qt::LogicalCoordinates, &offset).toImage();
    applyBrightness(image, brightness_);
    painter->drawImage(offset, image);
}

} // namespace corv::ui
