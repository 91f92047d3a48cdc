#pragma once

// The delete button of rows: the first click arms it for 3 seconds (a cross
// and a question mark fading into each other in the accent colour), the
// second deletes. A disabled button takes no click.

#include "ui/ConfirmDelModel.h"

#include <QAbstractButton>
#include <QColor>
#include <QPointer>

class QVariantAnimation;

namespace corv::ui {

class ConfirmDelButton final : public QAbstractButton {
public:
    // `en`: the resting cross is drawn (else it is invisible but clickable).
    ConfirmDelButton(bool en, std::function<void()> action, QWidget* parent = nullptr);

    const ConfirmDelModel& model() const { return model_; }
    bool armed() const { return model_.phase() != 0; }
    // The cross's opacity now (the question mark's is 1 minus it).
    double crossOpacity() const { return cross_; }

    QSize sizeHint() const override { return {22, 22}; }
    // The resting cross's colour (the primary colour unless set).
    void setColor(const QColor& c);
    QColor color() const { return color_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent* e) override;

private:
    void phaseChanged();

    bool en_;
    ConfirmDelModel model_;
    double cross_ = 1.0;
    QColor color_;
    QPointer<QVariantAnimation> blink_;
};

} // namespace corv::ui
