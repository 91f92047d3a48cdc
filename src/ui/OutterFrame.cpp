#include "ui/OutterFrame.h"

#include "ui/GapRoundedRect.h"
#include "ui/Theme.h"

#include <QEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace corv::ui {

namespace {
constexpr double kPadding = 10;
constexpr double kCornerRadius = 16;
} // namespace

QPainterPath gapRoundedRectPainterPath(double width, double height, double cornerRadius, double gapStart,
                                       double gapWidth) {
    QPainterPath path;
    for (const PathStep& s : gapRoundedRectPath(width, height, cornerRadius, gapStart, gapWidth)) {
        const QPointF to(s.to.x, s.to.y);
        switch (s.kind) {
        case PathStep::Move: path.moveTo(to); break;
        case PathStep::Line: path.lineTo(to); break;
        case PathStep::Curve: path.cubicTo(QPointF(s.c1.x, s.c1.y), QPointF(s.c2.x, s.c2.y), to); break;
        }
    }
    return path;
}

OutterFrame::OutterFrame(QWidget* section, QWidget* title, double yOffset, QWidget* parent)
    : QWidget(parent), section_(section), yOffset_(yOffset) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(int(kPadding), 0, int(kPadding), int(kPadding));
    layout->addWidget(section_);
    section_->installEventFilter(this);
    setTitle(title);
}

void OutterFrame::setTitle(QWidget* title) {
    if (title_) title_->removeEventFilter(this);
    title_ = title;
    if (title_) title_->installEventFilter(this);
    update();
}

QPainterPath OutterFrame::outline() const {
    if (!title_ || !section_->isAncestorOf(title_)) return {};
    const QRect t(title_->mapTo(section_, QPoint(0, 0)), title_->size());
    const OutlineGeometry g = outlineGeometry(section_->width(), section_->height(),
                                              {double(t.x()), double(t.y()), double(t.width()), double(t.height())},
                                              yOffset_, kPadding, kPadding);
    QPainterPath path = gapRoundedRectPainterPath(g.frame.width, g.frame.height, kCornerRadius, g.gapStart, g.gapWidth);
    return path.translated(section_->x() + g.frame.x, section_->y() + g.frame.y);
}

void OutterFrame::paintEvent(QPaintEvent*) {
    const QPainterPath path = outline();
    if (path.isEmpty()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(dimLabelColor(), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

bool OutterFrame::eventFilter(QObject*, QEvent* e) {
    if (e->type() == QEvent::Move || e->type() == QEvent::Resize || e->type() == QEvent::Show ||
        e->type() == QEvent::Hide)
        update();
    return false;
}

} // namespace corv::ui
