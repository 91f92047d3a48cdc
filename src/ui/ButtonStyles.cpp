#include "ui/ButtonStyles.h"

#include "ui/SymbolButton.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace corv::ui {

QColor toneColor(StyleTone tone) {
    switch (tone) {
    case StyleTone::Dim: return dimLabelColor();
    case StyleTone::Secondary: return secondaryColor();
    case StyleTone::Primary: break;
    }
    return primaryColor();
}

StyledButton::StyledButton(ButtonStyle style, QWidget* parent) : QAbstractButton(parent), style_(style) {
    setFont(panelFont());
    setCursor(Qt::ArrowCursor);
    if (style_ == ButtonStyle::My) setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void StyledButton::setSymbol(const QString& name, double pointSize) {
    symbol_ = name;
    symbolSize_ = pointSize;
    updateGeometry();
    update();
}

QColor StyledButton::labelColor() const {
    if (style_ == ButtonStyle::Help) return palette().color(QPalette::WindowText);
    return toneColor(styleTone(isEnabled(), isDown()));
}

QSize StyledButton::labelSize() const {
    if (!symbol_.isEmpty()) {
        const int s = int(symbolSize_ * 1.15 + 0.5);
        return {s, s};
    }
    // Rounded up: the label is cut when its exact width does not fit.
    return {int(std::ceil(QFontMetricsF(font()).horizontalAdvance(text()))), QFontMetrics(font()).height()};
}

QSize StyledButton::sizeHint() const {
    const QSize l = labelSize();
    switch (style_) {
    case ButtonStyle::Image: return l;
    case ButtonStyle::Help:
    case ButtonStyle::MyImage: return l + QSize(16, 4);
    case ButtonStyle::My: return l + QSize(0, 4);
    }
    return l;
}

void StyledButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor color = labelColor();
    // Padding: 8 at the sides (none for the full-width style), 1 on top, 3 below.
    QRect label = rect();
    if (style_ != ButtonStyle::Image) label.adjust(style_ == ButtonStyle::My ? 0 : 8, 1, style_ == ButtonStyle::My ? 0 : -8, -3);
    if (style_ != ButtonStyle::Image) {
        const double radius = style_ == ButtonStyle::My ? 5 : 4;
        p.setPen(QPen(color, 1));
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    }
    if (!symbol_.isEmpty()) {
        // A bare symbol, disabled, is laid on as faint as the tools beside it.
        const bool faint = style_ == ButtonStyle::Image && !isEnabled();
        if (faint) p.setOpacity(kDisabledSymbolAlpha);
        const QPixmap pm = symbolPixmap(symbol_, symbolSize_, faint ? toneColor(StyleTone::Primary) : color);
        const QSizeF s = pm.deviceIndependentSize();
        p.drawPixmap(QPointF(label.center().x() - s.width() / 2 + 0.5, label.center().y() - s.height() / 2 + 0.5), pm);
        return;
    }
    p.setPen(color);
    p.setFont(font());
    // One line; a long label is cut.
    const QString shown = QFontMetrics(font()).elidedText(text(), Qt::ElideRight, label.width());
    p.drawText(label, Qt::AlignCenter | Qt::TextSingleLine, shown);
}

} // namespace corv::ui
