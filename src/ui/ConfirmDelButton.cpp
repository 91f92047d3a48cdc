#include "ui/ConfirmDelButton.h"

#include "platform/Localization.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QEvent>
#include <QPainter>
#include <QVariantAnimation>

namespace corv::ui {

ConfirmDelButton::ConfirmDelButton(bool en, std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent), en_(en), model_(std::move(action)), color_(primaryColor()) {
    setFixedSize(sizeHint());
    model_.setEnabled(isEnabled());
    model_.onChange = [this] { phaseChanged(); };
    connect(this, &QAbstractButton::clicked, this, [this] { model_.click(); });
    setAccessibleName(QString::fromStdString(platform::localized("Accessible delete")));
}

void ConfirmDelButton::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange) model_.setEnabled(isEnabled());
    QAbstractButton::changeEvent(e);
}

void ConfirmDelButton::phaseChanged() {
    if (blink_) blink_->stop();
    if (model_.phase() != 0) {
        // From the last value to the flipped one and back, every 0.3 s.
        const double from = 1.1 - model_.bling(), to = model_.bling();
        auto* blink = new QVariantAnimation(this);
        blink->setDuration(600);
        blink->setKeyValueAt(0, from);
        blink->setKeyValueAt(0.5, to);
        blink->setKeyValueAt(1, from);
        blink->setLoopCount(-1);
        connect(blink, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
            cross_ = v.toDouble();
            update();
        });
        blink_ = blink;
        cross_ = from;
        blink->start(QAbstractAnimation::DeleteWhenStopped);
    }
    update();
}

void ConfirmDelButton::setColor(const QColor& c) {
    color_ = c;
    update();
}

void ConfirmDelButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const auto centred = [&](const QPixmap& pm) {
        const QSizeF s = pm.deviceIndependentSize();
        p.drawPixmap(QPointF((width() - s.width()) / 2, (height() - s.height()) / 2), pm);
    };
    if (model_.phase() == 0) {
        if (en_) centred(symbolPixmap(QStringLiteral("xmark.circle"), 18, color_, true));
        return;
    }
    p.setOpacity(cross_);
    centred(symbolPixmap(QStringLiteral("xmark.circle"), 18, accentTextColor(), true));
    p.setOpacity(1.0 - cross_);
    centred(symbolPixmap(QStringLiteral("questionmark.circle"), 18, accentTextColor()));
}

} // namespace corv::ui
