#include "ui/DisabledCover.h"

#include "platform/Localization.h"
#include "ui/Backdrop.h"
#include "ui/Theme.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace corv::ui {

double disabledMessageTop(double h) { return std::min(std::max((h - 65) / 2, 0.0), 100.0); }

int disabledCoverHeightFor(int m) {
    if (m <= 65) return std::max(m, 0);
    // Above 65 the gap takes half of each further point, up to 100.
    return m <= 165 ? 2 * m - 65 : m + 100;
}

DisabledCover::DisabledCover(Ground ground, QWidget* parent, QWidget* covered)
    : QWidget(parent), ground_(ground), covered_(covered) {
    if (ground_ == Ground::Clear) backdrop_ = new BackdropView(8, Qt::transparent, this);
    // Wrapped lines stand 12 points apart.
    const QString text = QString::fromStdString(platform::localized("Exception tab disabled")).toHtmlEscaped();
    message_ = new QLabel(QStringLiteral("<div style=\"-qt-line-height-type: line-distance; line-height: %1px\">%2</div>")
                              .arg(kMessageLineGap)
                              .arg(text),
                          this);
    message_->setTextFormat(Qt::RichText);
    message_->setFont(systemFont(24));
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
    QPalette pal = message_->palette();
    pal.setColor(QPalette::WindowText, primaryColor());
    message_->setPalette(pal);
    if (covered_) {
        covered_->installEventFilter(this);
        setGeometry(covered_->geometry());
    }
}

bool DisabledCover::eventFilter(QObject* watched, QEvent* e) {
    if (watched == covered_ && (e->type() == QEvent::Resize || e->type() == QEvent::Move))
        setGeometry(covered_->geometry());
    return false;
}

void DisabledCover::mousePressEvent(QMouseEvent* e) { e->accept(); }

// The keyboard reaches nothing under it either.
void DisabledCover::showEvent(QShowEvent*) {
    const QList<QWidget*> under = covered_ ? QList<QWidget*>{covered_}
                                  : parentWidget() ? parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)
                                                   : QList<QWidget*>{};
    for (QWidget* w : under) {
        if (w == this || w->testAttribute(Qt::WA_Disabled)) continue;
        w->setEnabled(false);
        disabled_.push_back(w);
    }
}

void DisabledCover::hideEvent(QHideEvent*) {
    // Hidden with its window, it still covers when the window shows again.
    if (!isHidden()) return;
    for (const QPointer<QWidget>& w : std::exchange(disabled_, {}))
        if (w) w->setEnabled(true);
}

void DisabledCover::resizeEvent(QResizeEvent*) {
    if (backdrop_) backdrop_->setGeometry(rect());
    const int top = static_cast<int>(disabledMessageTop(height()));
    const int w = std::max(0, width() - 2 * kMessageSideGap);
    message_->setGeometry(kMessageSideGap, top, w, message_->heightForWidth(w));
}

void DisabledCover::paintEvent(QPaintEvent*) {
    QColor ground;
    if (ground_ == Ground::Tint) {
        ground = secondaryColor();
        ground.setAlphaF(0.18);
    } else {
        ground = palette().color(QPalette::Window);
        ground.setAlphaF(0.5);
    }
    QPainter(this).fillRect(rect(), ground);
}

} // namespace corv::ui
