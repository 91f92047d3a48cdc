#include "ui/InteractionReader.h"

#include <QEvent>
#include <QGraphicsEffect>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>

namespace corv::ui {

namespace {

// Draws the widget scaled about its centre.
class ScaleEffect final : public QGraphicsEffect {
public:
    explicit ScaleEffect(QObject* parent) : QGraphicsEffect(parent) {}
    void setScale(double s) {
        if (s == scale_) return;
        scale_ = s;
        update();
    }

protected:
    void draw(QPainter* painter) override {
        if (scale_ == 1.0) {
            drawSource(painter);
            return;
        }
        QPoint offset;
        const QPixmap pm = sourcePixmap(Qt::LogicalCoordinates, &offset);
        const QRectF r(offset, pm.deviceIndependentSize());
        painter->save();
        painter->translate(r.center());
        painter->scale(scale_, scale_);
        painter->translate(-r.center());
        painter->drawPixmap(offset, pm);
        painter->restore();
    }

private:
    double scale_ = 1.0;
};

} // namespace

InteractionReader::InteractionReader(QWidget* target, std::function<void()> tapAction, bool scaleEffect)
    : QObject(target), target_(target), reader_(std::move(tapAction)), scaleEffect_(scaleEffect) {
    target->installEventFilter(this);
    if (scaleEffect_) target->setGraphicsEffect(new ScaleEffect(target));
}

bool InteractionReader::eventFilter(QObject* watched, QEvent* event) {
    if (watched != target_) return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) break;
    {
        // The action may delete the widget, and this reader with it.
        QPointer<InteractionReader> self(this);
        // A button goes down only after it came up: when the release went
        // elsewhere (to a popup this press opened), this is a new press.
        reader_.release();
        reader_.pointerDown();
        if (self) showScale();
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) break;
        reader_.release();
        showScale();
        return true;
    case QEvent::Hide:
        reader_.release();
        showScale();
        break;
    default: break;
    }
    return false;
}

void InteractionReader::showScale() {
    if (auto* effect = dynamic_cast<ScaleEffect*>(target_->graphicsEffect())) effect->setScale(reader_.scale(scaleEffect_));
}

InteractionReader* onPress(QWidget* target, std::function<void()> tapAction, bool scaleEffect) {
    return new InteractionReader(target, std::move(tapAction), scaleEffect);
}

} // namespace corv::ui
