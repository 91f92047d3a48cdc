#include "ui/CustomTabView.h"

#include "ui/DrawnAccess.h"
#include "ui/InteractionReader.h"
#include "ui/KeyActivation.h"
#include "ui/Symbols.h"
#include "ui/TabKeys.h"
#include "ui/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace corv::ui {

namespace {

// The host of the selected tab's content, on the darker backdrop.
class ContentHost final : public QWidget {
public:
    explicit ContentHost(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override { paintBackdrop(*this, contentTint()); }
};

} // namespace

TabButton::TabButton(const TabDesc& desc, QWidget* parent) : QWidget(parent), title_(desc.title), symbol_(desc.symbol) {
    setFixedSize(kTabButtonWidth, kTabButtonHeight);
    setTabState(this, false);
    setAccessibleName(title_);
}

void TabButton::setSelected(bool selected) {
    selected_ = selected;
    setTabState(this, selected);
    update();
}

QColor TabButton::color() const { return selected_ ? accentTextColor() : primaryColor(); }

void TabButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect f = frameRect();
    const QFontMetrics fm(font());
    // Symbol framed to 28 high, 2 above the title, the pair centred.
    const int total = 28 + 2 + fm.height();
    const int top = f.top() + (f.height() - total) / 2;
    const QPixmap pm = symbolPixmap(symbol_, 24, color(), true);
    const QSizeF s = pm.deviceIndependentSize();
    p.drawPixmap(QPointF(f.center().x() + 1 - s.width() / 2, top + (28 - s.height()) / 2), pm);
    p.setPen(color());
    p.drawText(QRect(f.left(), top + 30, f.width(), fm.height()), Qt::AlignCenter, title_);
}

TabBar::TabBar(std::vector<TabDesc> const& tabs, std::function<void(int)> select, QWidget* parent)
    : QWidget(parent) {
    setFixedWidth(kPanelWidth);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addStretch(1);
    for (int i = 0; i < int(tabs.size()); ++i) {
        auto* b = new TabButton(tabs[std::size_t(i)], this);
        onPress(b, [select, i] { select(i); }, false);
        actOnKeys(b, [select, i] { select(i); });
        buttons_.push_back(b);
        row->addWidget(b);
    }
    row->addStretch(1);
}

QRectF TabBar::targetRect() const {
    if (selection_ < 0 || selection_ >= count()) return {};
    const TabButton* b = buttons_[std::size_t(selection_)];
    return QRectF(b->frameRect().translated(b->pos()));
}

void TabBar::setSelection(std::int64_t selection) {
    selection_ = selection;
    // The bar is one stop for Tab, at the selected tab; the arrows go along it.
    for (int i = 0; i < count(); ++i) {
        buttons_[std::size_t(i)]->setSelected(i == selection);
        buttons_[std::size_t(i)]->setFocusPolicy(i == selection ? Qt::TabFocus : Qt::NoFocus);
    }
    follow(placed_);
}

void TabBar::follow(bool animated) {
    const QRectF target = targetRect();
    if (spring_) spring_->stop();
    if (!animated || !isVisible()) {
        active_ = target;
        update();
        return;
    }
    if (target == active_) return;
    auto* spring = new QVariantAnimation(this);
    spring->setDuration(150);
    spring->setEasingCurve(QEasingCurve::OutCubic);
    spring->setStartValue(active_);
    spring->setEndValue(target);
    connect(spring, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        active_ = v.toRectF();
        update();
    });
    spring_ = spring;
    spring->start(QAbstractAnimation::DeleteWhenStopped);
}

void TabBar::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    // No spring on the first appearance.
    follow(false);
    placed_ = true;
}

void TabBar::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    follow(placed_);
}

void TabBar::paintEvent(QPaintEvent*) {
    paintBackdrop(*this, tabBarTint());
    if (active_.isEmpty()) return;
    const CornerRadii c = corners();
    const QRectF r = active_;
    QPainterPath path;
    path.moveTo(r.left() + c.topLeft, r.top());
    path.lineTo(r.right() - c.topRight, r.top());
    path.quadTo(r.topRight(), QPointF(r.right(), r.top() + c.topRight));
    path.lineTo(r.right(), r.bottom() - c.bottomRight);
    path.quadTo(r.bottomRight(), QPointF(r.right() - c.bottomRight, r.bottom()));
    path.lineTo(r.left() + c.bottomLeft, r.bottom());
    path.quadTo(r.bottomLeft(), QPointF(r.left(), r.bottom() - c.bottomLeft));
    path.lineTo(r.left(), r.top() + c.topLeft);
    path.quadTo(r.topLeft(), QPointF(r.left() + c.topLeft, r.top()));
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = primaryColor();
    fill.setAlphaF(0.08f);
    p.fillPath(path, fill);
}

CustomTabView::CustomTabView(Published<std::int64_t>& selection, std::vector<TabDesc> tabs, QWidget* parent)
    : QWidget(parent),
      selection_(selection),
      tabs_(std::move(tabs)),
      bar_(new TabBar(tabs_, [this](int i) { selection_.set(i); }, this)),
      host_(new ContentHost(this)),
      hostLayout_(new QVBoxLayout(host_)) {
    setFixedWidth(kPanelWidth);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(bar_);
    stack->addWidget(host_);
    hostLayout_->setContentsMargins(0, 0, 0, 0);
    hostLayout_->setSpacing(0);
    sub_ = selection_.subscribe([this](const std::int64_t& v) { showTab(tabFor(v)); });
    showTab(tabFor(selection_.get()));
    installTabKeys(this);
}

CustomTabView::~CustomTabView() { dropContent(); }

void CustomTabView::dropContent() {
    delete content_;
}

int CustomTabView::tabFor(std::int64_t selection) const {
    // A stored value outside the tabs (from an imported file) shows the first.
    return selection >= 0 && selection < std::int64_t(tabs_.size()) ? int(selection) : 0;
}

void CustomTabView::showTab(int index) {
    bar_->setSelection(index);
    if (index == shown_ && content_) return;
    if (tabs_.empty()) return;
    // The old content leaves before the new one is made.
    dropContent();
    shown_ = index;
    const TabDesc& desc = tabs_[std::size_t(index)];
    QWidget* made = desc.make ? desc.make(host_) : nullptr;
    content_ = made ? made : new QWidget(host_);
    hostLayout_->addWidget(content_);
    content_->show();
}

} // namespace corv::ui
