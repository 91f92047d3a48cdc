#include "ui/tabs/trackpad/HelpPanes.h"

#include "platform/Localization.h"
#include "ui/Theme.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>
#include <map>
#include <memory>
#include <string>

namespace corv::ui::trackpad {

FingerPicture::FingerPicture(int fingers, QWidget* parent) : QWidget(parent), fingers_(fingers) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

int FingerPicture::heightForWidth(int w) const { return w * 5 / 8; }
QSize FingerPicture::sizeHint() const { return {240, 150}; }

void FingerPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Fit a 16:10 pad in the widget, keeping its shape.
    const double w = std::min<double>(width(), height() * 1.6) - 2;
    const double h = w / 1.6;
    const QRectF pad((width() - w) / 2, (height() - h) / 2, w, h);
    const QColor line = secondaryColor();
    p.setPen(QPen(line, 1.5));
    p.setBrush(blendedColor(secondaryColor(), QColor(Qt::transparent), 0.85));
    p.drawRoundedRect(pad, h * 0.08, h * 0.08);

    const double r = h * 0.09;
    const double gap = r * 2.4;
    const QPointF centre = pad.center();
    const double first = centre.x() - gap * (fingers_ - 1) / 2;
    const QColor finger = blendedColor(accentTextColor(), QColor(Qt::white), 0.3);
    for (int i = 0; i < fingers_; ++i) {
        const QPointF c(first + gap * i, centre.y() - (i == 1 && fingers_ == 3 ? r * 0.5 : 0));
        p.setPen(QPen(accentTextColor(), 1.2));
        p.setBrush(finger);
        p.drawEllipse(c, r, r * 1.15);
    }

    // The ways the fingers move: a ring for a tap, arrows for swipes.
    p.setPen(QPen(line, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const auto arrow = [&](QPointF from, QPointF to) {
        p.drawLine(from, to);
        const double a = std::atan2(to.y() - from.y(), to.x() - from.x());
        const double k = r * 0.6;
        p.drawLine(to, to - QPointF(k * std::cos(a - 0.5), k * std::sin(a - 0.5)));
        p.drawLine(to, to - QPointF(k * std::cos(a + 0.5), k * std::sin(a + 0.5)));
    };
    const double span = gap * (fingers_ - 1) / 2 + r * 1.8;
    if (fingers_ == 1) {
        p.drawEllipse(centre, r * 1.8, r * 2.0);
        p.drawEllipse(centre, r * 2.6, r * 2.9);
    } else {
        arrow(QPointF(centre.x() - span, centre.y()), QPointF(centre.x() - span - r * 2.2, centre.y()));
        arrow(QPointF(centre.x() + span, centre.y()), QPointF(centre.x() + span + r * 2.2, centre.y()));
        arrow(QPointF(centre.x(), centre.y() - r * 1.8), QPointF(centre.x(), centre.y() - r * 3.6));
        arrow(QPointF(centre.x(), centre.y() + r * 1.8), QPointF(centre.x(), centre.y() + r * 3.6));
    }
}

namespace {

// The text above the picture, padded 16.
QString paneText(int fingers) { return QString::fromStdString(platform::localized("Help " + std::to_string(fingers) + "F")); }

QWidget* paneContent(int fingers) {
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    auto* v = new QVBoxLayout(content);
    v->setContentsMargins(16, 16, 16, 16);
    v->setSpacing(10);
    auto* text = new QLabel(paneText(fingers), content);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignHCenter);
    QPalette pal = text->palette();
    pal.setColor(QPalette::WindowText, secondaryColor());
    text->setPalette(pal);
    v->addWidget(text);
    v->addWidget(new FingerPicture(fingers, content));
    return content;
}

int laidOutHeight(const QWidget* c, int width) {
    return c->layout()->hasHeightForWidth() ? c->layout()->heightForWidth(width) : c->sizeHint().height();
}

} // namespace

HelpPane::HelpPane(int fingers, QWidget* parent) : QScrollArea(parent), fingers_(fingers) {
    setObjectName(QStringLiteral("helpPane%1").arg(fingers));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    // No bar: the text and picture keep their width whatever the height.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    setWidget(paneContent(fingers));
    widget()->setAutoFillBackground(false);  // setWidget turns it on
}

void HelpPane::setHeading(const QString& text) {
    widget()->findChild<QLabel*>()->setText(text.isEmpty() ? paneText(fingers_) : text);
}

QString HelpPane::heading() const { return widget()->findChild<QLabel*>()->text(); }

int HelpPane::contentHeight() const { return laidOutHeight(widget(), std::max(1, viewport()->width())); }

int HelpPane::contentHeightFor(int fingers, int width) {
    static std::map<std::pair<int, int>, int> measured;
    const auto key = std::pair(fingers, width);
    if (auto it = measured.find(key); it != measured.end()) return it->second;
    const std::unique_ptr<QWidget> content(paneContent(fingers));
    return measured[key] = laidOutHeight(content.get(), width);
}

} // namespace corv::ui::trackpad
