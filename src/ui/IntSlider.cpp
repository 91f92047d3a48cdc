#include "ui/IntSlider.h"

#include "ui/Theme.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

namespace corv::ui {

namespace {

QColor quaternaryLabelColor() { return separatorColor(); }

} // namespace

namespace {

// A screen reader hears a slider with its value and bounds, and may set it.
class SliderAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderAccessible(IntSlider* s) : QAccessibleWidget(s, QAccessible::Slider), s_(s) {}
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override { return qlonglong(s_->shownValue()); }
    void setCurrentValue(const QVariant& v) override {
        if (s_->isEnabled() && s_->focusPolicy() != Qt::NoFocus) s_->stepTo(v.toLongLong());
    }
    QVariant maximumValue() const override { return qlonglong(s_->desc().high); }
    QVariant minimumValue() const override { return qlonglong(s_->desc().low); }
    QVariant minimumStepSize() const override { return qlonglong(s_->desc().interval); }

private:
    IntSlider* s_;
};

QAccessibleInterface* sliderFactory(const QString&, QObject* o) {
    auto* s = dynamic_cast<IntSlider*>(o);
    return s ? new SliderAccessible(s) : nullptr;
}

} // namespace

IntSlider::IntSlider(SliderDesc desc, QWidget* parent)
    : QWidget(parent), desc_(std::move(desc)), model_(desc_.low, desc_.high, desc_.interval), seen_(desc_.get()) {
    en_ = !desc_.enabled || desc_.enabled();
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(takesInput() ? Qt::TabFocus : Qt::NoFocus);
    static const bool spoken = (QAccessible::installFactory(sliderFactory), true);
    (void)spoken;
}

QSize IntSlider::sizeHint() const { return QSize(100, desc_.height + 12); }

QColor IntSlider::fillColor() const { return en_ ? desc_.color : dimLabelColor(); }

void IntSlider::refresh() {
    const bool en = !desc_.enabled || desc_.enabled();
    const std::int64_t now = desc_.get();
    const bool changed = now != seen_;
    if (changed || en != en_) update();
    en_ = en;
    setFocusPolicy(takesInput() ? Qt::TabFocus : Qt::NoFocus);
    seen_ = now;
    if (changed) {
        QAccessibleValueChangeEvent ev(this, qlonglong(now));
        QAccessible::updateAccessibility(&ev);
    }
    // Only a control on screen plays its real-time update.
    if (changed && desc_.rtUpdate && isVisible()) desc_.rtUpdate();
}

void IntSlider::write(std::optional<std::int64_t> v) {
    if (v && *v != desc_.get() && desc_.set) desc_.set(*v);
    refresh();
}

void IntSlider::mousePressEvent(QMouseEvent* e) {
    if (!takesInput() || e->button() != Qt::LeftButton) return e->ignore();
    pressed_ = true;
    model_.pressed(desc_.get(), e->position().x(), width());
}

void IntSlider::mouseMoveEvent(QMouseEvent* e) {
    if (!pressed_ || !en_) return;
    write(model_.moved(e->position().x(), width()));
}

void IntSlider::mouseReleaseEvent(QMouseEvent* e) {
    if (!pressed_ || e->button() != Qt::LeftButton) return;
    pressed_ = false;
    const auto v = model_.ended(desc_.get(), e->position().x(), width());
    if (!en_) return;
    write(v);
    if (desc_.update) desc_.update();
}

void IntSlider::step(std::int64_t v) {
    if (v == desc_.get()) return;
    write(v);
    if (desc_.update) desc_.update();
}

void IntSlider::stepTo(std::int64_t v) {
    if (takesInput()) step(model_.valueAt(model_.fraction(v), 1.0));
}

void IntSlider::keyPressEvent(QKeyEvent* e) {
    std::optional<SliderKey> key;
    switch (e->key()) {
    case Qt::Key_Right:
    case Qt::Key_Up: key = SliderKey::StepUp; break;
    case Qt::Key_Left:
    case Qt::Key_Down: key = SliderKey::StepDown; break;
    case Qt::Key_PageUp: key = SliderKey::PageUp; break;
    case Qt::Key_PageDown: key = SliderKey::PageDown; break;
    case Qt::Key_Home: key = SliderKey::Low; break;
    case Qt::Key_End: key = SliderKey::High; break;
    default: break;
    }
    if (!key || !takesInput() || (e->modifiers() & ~Qt::KeypadModifier)) return QWidget::keyPressEvent(e);
    step(model_.keyed(desc_.get(), *key));
}

void IntSlider::wheelEvent(QWheelEvent* e) {
    if (!takesInput()) return e->ignore();
    // Up or right raises the value.
    const QPoint a = e->angleDelta();
    const int angle = a.y() != 0 ? a.y() : -a.x();
    if (const auto v = model_.wheeled(desc_.get(), angle)) step(*v);
    e->accept();
}

void IntSlider::paintEvent(QPaintEvent*) {
    QImage layer(size() * devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(devicePixelRatio());
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF bar(0, 4, width(), desc_.height);
        QPainterPath clip;
        clip.addRoundedRect(bar, 5, 5);
        p.setClipPath(clip);
        p.fillRect(bar, quaternaryLabelColor());
        const QColor fill = fillColor();
        const QRectF inset = bar.adjusted(1, 1, -1, -1);
        QPainterPath fillPath;
        fillPath.addRoundedRect(inset, 5, 5);
        p.save();
        p.setClipRect(QRectF(inset.left(), inset.top(), inset.width() * fillFraction(), inset.height()), Qt::IntersectClip);
        p.fillPath(fillPath, fill);
        p.restore();
        // The value reads on both parts: dark or light on the fill, the
        // label colour on the track.
        const QRectF filled(inset.left(), bar.top(), inset.width() * fillFraction(), bar.height());
        const QColor onFill = contrastRatio(fill, Qt::black) >= contrastRatio(fill, Qt::white) ? Qt::black : Qt::white;
        p.setFont(font());
        for (const auto& [part, pen] : {std::pair{filled, onFill},
                                        std::pair{QRectF(filled.right(), bar.top(), bar.right() - filled.right(),
                                                         bar.height()),
                                                  en_ ? primaryColor() : dimLabelColor()}}) {
            p.save();
            p.setClipRect(part, Qt::IntersectClip);
            p.setPen(pen);
            p.drawText(bar, Qt::AlignCenter, QString::number(seen_));
            p.restore();
        }
        p.setPen(QPen(en_ ? secondaryColor() : quaternaryLabelColor(), 1));
        p.drawRoundedRect(bar.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    }
    QPainter(this).drawImage(0, 0, layer);
}

} // namespace corv::ui
