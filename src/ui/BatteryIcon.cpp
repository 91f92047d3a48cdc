#include "ui/BatteryIcon.h"

#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace corv::ui {

QColor batteryToneColor(BatteryTone tone) {
    switch (tone) {
    case BatteryTone::Green: return QColor(52, 199, 89);
    case BatteryTone::Yellow: return QColor(255, 204, 0);
    case BatteryTone::Red: break;
    }
    return QColor(255, 59, 48);
}

ShadowedIcon::ShadowedIcon(const QString& name, const QColor& color, QWidget* parent)
    : QWidget(parent), name_(name), color_(color) {
    setFixedSize(sizeHint());
}

QColor ShadowedIcon::shownColor() const { return blendedColor(color_, primaryColor(), 0.2); }

QSize ShadowedIcon::sizeHint() const { return {int(16 * 1.15 + 0.5), int(16 * 1.15 + 0.5)}; }

void ShadowedIcon::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, symbolPixmap(name_, 16, shownColor()));
}

BatteryIcon::BatteryIcon(std::int64_t batt, QWidget* parent) : QWidget(parent), text_(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(text_);
    QPalette pal = text_->palette();
    pal.setColor(QPalette::WindowText, secondaryColor());
    text_->setPalette(pal);
    setBatt(batt);
}

void BatteryIcon::setBatt(std::int64_t batt) {
    const BatteryGlyph next = batteryGlyph(batt);
    if (!icon_ || next.symbol != glyph_.symbol || next.tone != glyph_.tone) {
        delete icon_;
        icon_ = new ShadowedIcon(QString::fromStdString(next.symbol), batteryToneColor(next.tone), this);
        static_cast<QHBoxLayout*>(layout())->insertWidget(0, icon_);
    }
    glyph_ = next;
    text_->setText(QString::fromStdString(glyph_.text));
}

} // namespace corv::ui
