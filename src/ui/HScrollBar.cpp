#include "ui/HScrollBar.h"

#include "model/UIState.h"
#include "ui/AppIcon.h"
#include "ui/DrawnAccess.h"
#include "ui/HintPanelWidget.h"
#include "ui/HintWinManager.h"
#include "ui/InteractionReader.h"
#include "ui/KeyActivation.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>
#include <QPainter>
#include <QTimer>
#include <QVariantAnimation>

namespace corv::ui {

namespace {

constexpr int kIconSize = 32;
constexpr int kPad = 5;
constexpr int kCell = kIconSize + 2 * kPad;

// One cell: the icon with padding 5, the selection's soft rounded fill behind
// it (over it for a switched-off application, drawn grey and faint).
class IconCell final : public QWidget {
public:
    IconCell(QPixmap icon, bool enabled, QWidget* parent) : QWidget(parent), icon_(std::move(icon)), enabled_(enabled) {
        setFixedSize(kCell, kCell);
        setTabState(this, false);
        if (!enabled_) {
            QImage grey = icon_.toImage().convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < grey.height(); ++y)
                for (int x = 0; x < grey.width(); ++x) {
                    const QRgb px = grey.pixel(x, y);
                    const int g = qGray(px);
                    grey.setPixel(x, y, qRgba(g, g, g, qAlpha(px)));
                }
            icon_ = QPixmap::fromImage(grey);
        }
    }
    void setSelected(bool selected) {
        if (selected_ == selected) return;
        selected_ = selected;
        setTabState(this, selected);
        update();
    }
    bool selected() const { return selected_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor fill = primaryColor();
        fill.setAlphaF(0.2f);
        const auto drawSelection = [&] {
            if (!selected_) return;
            p.setPen(Qt::NoPen);
            p.setBrush(fill);
            p.drawRoundedRect(QRectF(rect()), 8, 8);
        };
        if (enabled_) drawSelection();
        p.setOpacity(enabled_ ? 1.0 : 0.4);
        const QSizeF s = icon_.deviceIndependentSize();
        p.drawPixmap(QPointF((width() - s.width()) / 2, (height() - s.height()) / 2), icon_);
        p.setOpacity(1.0);
        if (!enabled_) drawSelection();
    }

private:
    QPixmap icon_;
    bool enabled_;
    bool selected_ = false;
};

} // namespace

HScrollBar::HScrollBar(Published<std::string>& appid, std::function<void(const std::string&)> update, QWidget* parent)
    : QWidget(parent),
      appid_(appid),
      update_(std::move(update)),
      globe_(new IconCell(symbolPixmap(QStringLiteral("globe"), 27, primaryColor()), true, this)),
      area_(new QWidget(this)),
      wasScrolling_(UIState::shared().scrolling.get()) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    globe_->setObjectName(QStringLiteral("globe"));
    globe_->setFixedSize(int(27 * 1.15) + 2 * kPad, int(27 * 1.15) + 2 * kPad);
    attachHint(globe_, QStringLiteral("global"));
    onPress(globe_, [this] { if (update_) update_(""); });
    actOnKeys(globe_, [this] { if (update_) update_(""); });
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 8);
    layout->setSpacing(0);
    layout->addWidget(globe_);
    layout->addWidget(area_, 1);
    area_->setFixedHeight(kCell);

    auto& ui = UIState::shared();
    // Rebuilt on a later turn: a press on a cell may be what changed them.
    appsSub_ = Apps::shared().a.subscribe([this](const AppEntries&) {
        if (rebuildPending_) return;
        rebuildPending_ = true;
        QTimer::singleShot(0, this, [this] {
            rebuildPending_ = false;
            rebuild();
        });
    });
    idSub_ = appid_.subscribe([this](const std::string&) { showSelection(); });
    offsetSub_ = ui.offset.subscribe([this](const double& d) { scrollStep(d); });
    scrollingSub_ = ui.scrolling.subscribe([this](const bool& now) { scrollingChanged(now); });
    rebuild();
}

HScrollBar::~HScrollBar() {
    // Scroll deltas stop reaching a strip that is gone.
    if (hovering_) UIState::shared().inHScrollBar.set(false);
}

QList<QWidget*> HScrollBar::cells() const {
    QList<QWidget*> out{globe_};
    if (row_)
        for (QWidget* w : row_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (!w->objectName().isEmpty()) out.append(w);
    return out;
}

QWidget* HScrollBar::cellFor(const std::string& id) const {
    if (id.empty()) return globe_;
    return row_ ? row_->findChild<QWidget*>(QString::fromStdString("app:" + id)) : nullptr;
}

bool HScrollBar::highlighted(const std::string& id) const {
    auto* cell = dynamic_cast<IconCell*>(cellFor(id));
    return cell && cell->selected();
}

void HScrollBar::rebuild() {
    delete row_;
    row_ = new QWidget(area_);
    auto* layout = new QHBoxLayout(row_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const AppEntries& entries = Apps::shared().a.get();
    for (const StripIcon& icon : stripIcons(entries)) {
        auto* cell = new IconCell(appIcon(icon.path, kIconSize), icon.enabled, row_);
        cell->setObjectName(QString::fromStdString("app:" + icon.id));
        attachHint(cell, QString::fromStdString(icon.name));
        cell->installEventFilter(this);
        actOnKeys(cell, [this, id = icon.id] { if (update_) update_(id); });
        layout->addWidget(cell);
    }
    // A hidden cell in the global profile's place keeps the count of cells
    // equal to the count of entries.
    if (entries.count("")) layout->addSpacing(kCell);
    row_->adjustSize();
    row_->show();
    showSelection();
    measure();
}

void HScrollBar::showSelection() {
    const std::string& selected = appid_.get();
    // The strip is one stop for Tab, at the selected icon (the globe when
    // none is); the arrows go along it.
    bool found = selected.empty();
    if (row_)
        for (QObject* child : row_->children())
            if (auto* cell = dynamic_cast<IconCell*>(child)) {
                const bool on = cell->objectName().toStdString() == "app:" + selected;
                cell->setSelected(on);
                cell->setFocusPolicy(on ? Qt::TabFocus : Qt::NoFocus);
                found = found || on;
            }
    static_cast<IconCell*>(globe_)->setSelected(selected.empty());
    globe_->setFocusPolicy(found && !selected.empty() ? Qt::NoFocus : Qt::TabFocus);
}

void HScrollBar::measure() {
    if (!row_) return;
    model_.measure(row_->sizeHint().width(), area_->width(), Apps::shared().a.get().size());
    if (model_.bound <= 0) model_.offset = 0;
    else model_.offset = std::min(model_.offset, 2 * model_.bound);
    placeRow(model_.rowX());
}

void HScrollBar::placeRow(double x) {
    if (row_) row_->move(int(std::lround(x)), 0);
}

void HScrollBar::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    measure();
}

void HScrollBar::enterEvent(QEnterEvent*) {
    hovering_ = true;
    UIState::shared().inHScrollBar.set(true);
}

void HScrollBar::leaveEvent(QEvent*) {
    hovering_ = false;
    UIState::shared().inHScrollBar.set(false);
}

void HScrollBar::wheelEvent(QWheelEvent* e) {
    // While the touchpad's own scroll feeds the row, the wheel events the
    // window system makes of the same fingers would move it twice.
    if (UIState::shared().scrolling.get()) {
        e->accept();
        return;
    }
    // Either wheel scrolls the row: a notch is one icon.
    const QPoint pixels = e->pixelDelta();
    const QPoint angle = e->angleDelta();
    double delta = 0;
    if (!pixels.isNull()) delta = std::abs(pixels.x()) >= std::abs(pixels.y()) ? pixels.x() : pixels.y();
    else delta = (std::abs(angle.x()) >= std::abs(angle.y()) ? angle.x() : angle.y()) / 120.0 * kCell;
    if (delta == 0) return;
    if (settle_) settle_->stop();
    const double before = model_.offset;
    model_.scrollBy(delta);
    // The icon a hint named has moved from under the pointer.
    if (model_.offset != before) HintWinManager::shared().dismiss();
    placeRow(model_.rowX());
    e->accept();
}

void HScrollBar::keyPressEvent(QKeyEvent* e) {
    const QList<QWidget*> all = cells();
    const int at = int(all.indexOf(QApplication::focusWidget()));
    const int by = e->key() == Qt::Key_Right ? 1 : e->key() == Qt::Key_Left ? -1 : 0;
    if (at < 0 || by == 0 || e->modifiers() != Qt::NoModifier) return QWidget::keyPressEvent(e);
    if (at + by >= 0 && at + by < all.size()) all[at + by]->setFocus(Qt::TabFocusReason);
}

void HScrollBar::reveal(QWidget* cell) {
    if (!row_ || cell->parentWidget() != row_) return;
    if (settle_) settle_->stop();
    model_.reveal(cell->x(), cell->x() + cell->width(), area_->width());
    placeRow(model_.rowX());
}

bool HScrollBar::eventFilter(QObject* watched, QEvent* e) {
    // The keys bring the icon they reach into view.
    if (e->type() == QEvent::FocusIn) {
        const Qt::FocusReason why = static_cast<QFocusEvent*>(e)->reason();
        if (why == Qt::TabFocusReason || why == Qt::BacktabFocusReason) reveal(static_cast<QWidget*>(watched));
        return false;
    }
    // A drag that starts on an icon pulls the row along; a press released
    // on its icon without a drag picks that application.
    if (e->type() == QEvent::MouseButtonPress) {
        dragFrom_ = static_cast<QMouseEvent*>(e)->globalPosition().x();
        dragging_ = false;
        return true;
    } else if (e->type() == QEvent::MouseMove && (static_cast<QMouseEvent*>(e)->buttons() & Qt::LeftButton)) {
        const double x = static_cast<QMouseEvent*>(e)->globalPosition().x();
        if (!dragging_ && std::abs(x - dragFrom_) < QApplication::startDragDistance()) return false;
        if (!dragging_) HintWinManager::shared().hide();
        dragging_ = true;
        if (settle_) settle_->stop();
        model_.scrollBy(x - dragFrom_);
        dragFrom_ = x;
        placeRow(model_.rowX());
        return true;
    } else if (e->type() == QEvent::MouseButtonRelease) {
        auto* m = static_cast<QMouseEvent*>(e);
        auto* cell = qobject_cast<QWidget*>(watched);
        if (dragging_) {
            dragging_ = false;
            settleRow();
        } else if (m->button() == Qt::LeftButton && cell && cell->rect().contains(m->position().toPoint()) && update_) {
            update_(cell->objectName().mid(4).toStdString());
        }
    }
    return false;
}

void HScrollBar::scrollStep(double delta) {
    const double before = model_.offset;
    if (!model_.scrollBy(delta)) return;
    if (model_.offset != before) HintWinManager::shared().dismiss();
    if (settle_) settle_->stop();
    placeRow(model_.rowX());
    UIState::shared().offset.set(0);
}

void HScrollBar::scrollingChanged(bool now) {
    const bool ended = wasScrolling_ && !now;
    wasScrolling_ = now;
    if (ended) settleRow();
}

void HScrollBar::settleRow() {
    const double from = model_.rowX();
    model_.snap();
    if (settle_) settle_->stop();
    auto* settle = new QVariantAnimation(this);
    settle->setDuration(200);
    settle->setStartValue(from);
    settle->setEndValue(model_.rowX());
    connect(settle, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) { placeRow(v.toDouble()); });
    settle_ = settle;
    settle->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace corv::ui
