#include "ui/ToggleCombo.h"

#include "ui/DrawnAccess.h"
#include "ui/HelpButton.h"
#include "ui/InteractionReader.h"
#include "ui/KeyActivation.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace corv::ui {

namespace {

constexpr int kTitleBefore = 8, kTitleAfter = 4;
// A title too long for its row shrinks down to this share of its size.
constexpr double kTitleMinScale = 0.8;

} // namespace

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

ToggleCombo::ToggleCombo(ToggleDesc desc, QWidget* parent)
    : QWidget(parent), desc_(std::move(desc)), state_(desc_.get()), on_(desc_.get()), box_(new Box(this)),
      title_(new QLabel(desc_.title, this)) {
    box_->on = on_;
    setColor(desc_.color);
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
    if (!desc_.comment.empty()) {
        help_ = makeHelpButton(desc_.comment, this);
        row->addWidget(help_, 0, Qt::AlignVCenter);
    }
    row->addStretch(1);
    onPress(this, [this] { press(); });
    actOnKeys(this, [this] { press(); });
    setCheckState(this, on_);
    setAccessibleName(desc_.title);
    setAccessibleDescription(QString::fromStdString(desc_.comment));
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

QSize ToggleCombo::sizeHint() const {
    QSize s = QWidget::sizeHint();
    const int full = QFontMetrics(font()).horizontalAdvance(title_->text());
    s.rwidth() += std::max(0, full - title_->fontMetrics().horizontalAdvance(title_->text()));
    return s;
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
    desc_.color = c;
    const QColor shown = color();
    if (box_->color == shown && title_->palette().color(QPalette::WindowText) == shown) return;
    box_->color = shown;
    box_->update();
    QPalette pal = title_->palette();
    pal.setColor(QPalette::WindowText, shown);
    title_->setPalette(pal);
}

QColor ToggleCombo::color() const { return desc_.color.isValid() ? desc_.color : primaryColor(); }

void ToggleCombo::press() {
    state_.click();
    if (desc_.set) desc_.set(!desc_.get());
    refresh();
    state_.clickDone();
}

void ToggleCombo::refresh() {
    const bool now = desc_.get();
    on_ = now;
    setCheckState(this, now);
    if (box_->on != now) {
        box_->on = now;
        box_->update();
    }
    if (auto change = state_.observe(now); change && desc_.onChange) desc_.onChange(change->value, change->byClick);
}

} // namespace corv::ui
