#include "ui/tabs/settings/SettingControls.h"

#include "ui/FrameWatch.h"
#include "ui/HintPanelWidget.h"
#include "ui/HintWinManager.h"
#include "ui/InteractionReader.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace corv::ui::settings {

namespace {

constexpr int kTitleBefore = 8, kTitleAfter = 4;
// A title too long for its row shrinks down to this share of its size.
constexpr double kTitleMinScale = 0.8;

QColor quaternaryLabelColor() { return QColor(235, 235, 245, 41); }
QColor tertiaryLabelColor() { return dimLabelColor(); }

} // namespace

QToolButton* makeHelpButton(const std::string& text, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setAutoRaise(true);
    b->setFixedSize(16, 16);
    b->setIconSize(QSize(16, 16));
    b->setIcon(QIcon(symbolPixmap(QStringLiteral("questionmark.circle"), 16, dimLabelColor(), true)));
    b->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0; background: transparent; }"));
    b->setFocusPolicy(Qt::NoFocus);
    attachHint(b, QString::fromStdString(text), true);
    QObject::connect(b, &QToolButton::clicked, b, [b, text] { HintWinManager::shared().toggleHelp(text, globalFrame(b)); });
    return b;
}

// The 16 × 16 box: a rounded outline, with a checkmark while on.
class ToggleCombo::Box final : public QWidget {
public:
    explicit Box(QWidget* parent) : QWidget(parent) {
        setFixedSize(17, 16);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    bool on = false;
    QColor color;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r(1.5, 0.5, 15, 15);
        p.setPen(QPen(color, 1));
        p.drawRoundedRect(r, 3, 3);
        if (!on) return;
        QPainterPath check;
        check.moveTo(r.left() + 3.5, r.center().y() + 0.5);
        check.lineTo(r.left() + 6.5, r.bottom() - 4);
        check.lineTo(r.right() - 3.5, r.top() + 4);
        p.setPen(QPen(color, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(check);
    }
};

ToggleCombo::ToggleCombo(ToggleSpec desc, QWidget* parent)
    : QWidget(parent), spec_(std::move(desc)), state_(spec_.get()), on_(spec_.get()), box_(new Box(this)),
      title_(new QLabel(spec_.title, this)) {
    box_->on = on_;
    setColor(spec_.color);
    title_->setWordWrap(false);
    // The title may shrink to fit; fitTitle() sets its size.
    title_->setMinimumWidth(1);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 4, 0, 8);
    row->setSpacing(0);
    row->addWidget(box_, 0, Qt::AlignVCenter);
    row->addSpacing(kTitleBefore);
    row->addWidget(title_, 0, Qt::AlignVCenter);
    row->addSpacing(kTitleAfter);
    if (!spec_.comment.empty()) {
        help_ = makeHelpButton(spec_.comment, this);
        row->addWidget(help_, 0, Qt::AlignVCenter);
    }
    row->addStretch(1);
    onPress(this, [this] { press(); });
}

void ToggleCombo::fitTitle() {
    QFont f = font();
    const int room = width() - box_->width() - kTitleBefore - kTitleAfter - (help_ ? help_->width() : 0);
    const int needed = QFontMetrics(f).horizontalAdvance(title_->text());
    if (needed > room && needed > 0) {
        const double scale = std::max(kTitleMinScale, double(std::max(room, 0)) / needed);
        // The panel's fonts are sized in pixels: never below 0.8 of them.
        if (const int px = f.pixelSize(); px > 0)
            f.setPixelSize(std::max(int(std::ceil(px * kTitleMinScale)), int(px * scale)));
        else if (f.pointSizeF() > 0)
            f.setPointSizeF(f.pointSizeF() * scale);
    }
    if (title_->font() != f) title_->setFont(f);
}

void ToggleCombo::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    fitTitle();
}

void ToggleCombo::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::FontChange) fitTitle();
}

void ToggleCombo::setColor(const QColor& c) {
    spec_.color = c;
    const QColor shown = color();
    if (box_->color == shown && title_->palette().color(QPalette::WindowText) == shown) return;
    box_->color = shown;
    box_->update();
    QPalette pal = title_->palette();
    pal.setColor(QPalette::WindowText, shown);
    title_->setPalette(pal);
}

QColor ToggleCombo::color() const { return spec_.color.isValid() ? spec_.color : primaryColor(); }

void ToggleCombo::press() {
    state_.click();
    if (spec_.set) spec_.set(!spec_.get());
    refresh();
    state_.clickDone();
}

void ToggleCombo::refresh() {
    const bool now = spec_.get();
    on_ = now;
    if (box_->on != now) {
        box_->on = now;
        box_->update();
    }
    if (auto change = state_.observe(now); change && spec_.onChange) spec_.onChange(change->value, change->byClick);
}

IntSlider::IntSlider(SliderSpec desc, QWidget* parent)
    : QWidget(parent), spec_(std::move(desc)), model_(spec_.low, spec_.high, spec_.interval), seen_(spec_.get()) {
    en_ = !spec_.enabled || spec_.enabled();
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize IntSlider::sizeHint() const { return QSize(100, spec_.height + 12); }

QColor IntSlider::fillColor() const { return en_ ? spec_.color : tertiaryLabelColor(); }

void IntSlider::refresh() {
    const bool en = !spec_.enabled || spec_.enabled();
    const std::int64_t now = spec_.get();
    const bool changed = now != seen_;
    if (changed || en != en_) update();
    en_ = en;
    seen_ = now;
    // Only a control on screen plays its real-time update.
    if (changed && spec_.rtUpdate && isVisible()) spec_.rtUpdate();
}

void IntSlider::write(std::optional<std::int64_t> v) {
    if (v && *v != spec_.get() && spec_.set) spec_.set(*v);
    refresh();
}

void IntSlider::mousePressEvent(QMouseEvent* e) {
    if (!en_ || e->button() != Qt::LeftButton) return e->ignore();
    pressed_ = true;
    pressX_ = e->position().x();
}

void IntSlider::mouseMoveEvent(QMouseEvent* e) {
    if (!pressed_ || !en_) return;
    write(model_.moved(spec_.get(), e->position().x() - pressX_, width()));
}

void IntSlider::mouseReleaseEvent(QMouseEvent* e) {
    if (!pressed_ || e->button() != Qt::LeftButton) return;
    pressed_ = false;
    if (!en_) return;
    const double x = e->position().x();
    write(model_.ended(spec_.get(), x - pressX_, x, width()));
    if (spec_.update) spec_.update();
}

void IntSlider::paintEvent(QPaintEvent*) {
    QImage layer(size() * devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(devicePixelRatio());
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF bar(0, 4, width(), spec_.height);
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
        p.setCompositionMode(QPainter::CompositionMode_Difference);
        p.setPen(fill);
        p.setFont(font());
        p.drawText(bar, Qt::AlignCenter, QString::number(seen_));
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setPen(QPen(en_ ? secondaryColor() : quaternaryLabelColor(), 1));
        p.drawRoundedRect(bar.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    }
    QPainter(this).drawImage(0, 0, layer);
}

} // namespace corv::ui::settings
