#include "ui/Theme.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

#include <algorithm>

namespace corv::ui {

namespace {

QColor brightened(QColor c, double fraction) { return blendedColor(c, primaryColor(), fraction); }

} // namespace

QColor primaryColor() { return QColor(255, 255, 255, 217); }

QColor secondaryColor() { return QColor(235, 235, 245, 153); }

QColor accentColor() { return QColor(10, 132, 255); }

QPalette panelPalette() {
    QPalette pal = QApplication::palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::WindowText, primaryColor());
        pal.setColor(group, QPalette::Text, primaryColor());
        pal.setColor(group, QPalette::ButtonText, primaryColor());
        pal.setColor(group, QPalette::PlaceholderText, dimLabelColor());
        pal.setColor(group, QPalette::Highlight, accentColor());
        pal.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    pal.setColor(QPalette::Disabled, QPalette::WindowText, dimLabelColor());
    pal.setColor(QPalette::Disabled, QPalette::Text, dimLabelColor());
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, dimLabelColor());
    pal.setColor(QPalette::Window, QColor(40, 40, 40));
    pal.setColor(QPalette::Base, Qt::transparent);
    return pal;
}

QColor blendedColor(const QColor& base, const QColor& target, double fraction) {
    if (!base.isValid() || !target.isValid() || !(fraction >= 0.0 && fraction <= 1.0)) return base;
    const QColor a = base.toRgb();
    const QColor b = target.toRgb();
    const auto mix = [fraction](float x, float y) { return float(x + (y - x) * fraction); };
    return QColor::fromRgbF(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()), mix(a.blueF(), b.blueF()),
                            mix(a.alphaF(), b.alphaF()));
}

const QColor& dimLabelColor() {
    static const QColor c = [] {
        return QColor(235, 235, 245, 64);
    }();
    return c;
}

const QColor& accentTextColor() {
    static const QColor c = brightened(accentColor(), 0.2);
    return c;
}

const QColor& overriddenBindingColor() {
    static const QColor c = brightened(QColor(255, 204, 0), 0.2);
    return c;
}

const QColor& urlKindAppColor() {
    static const QColor c = blendedColor(QColor(0, 122, 255), Qt::white, 0.45);
    return c;
}

const QColor& urlKindExecutableColor() {
    static const QColor c = blendedColor(QColor(255, 59, 48), Qt::white, 0.45);
    return c;
}

const QColor& urlKindScriptColor() {
    static const QColor c = blendedColor(QColor(255, 204, 0), Qt::white, 0.45);
    return c;
}

const QColor& urlKindShortcutColor() {
    static const QColor c = blendedColor(QColor(52, 199, 89), Qt::white, 0.45);
    return c;
}

QColor urlKindColor(int kind) {
    switch (kind) {
    case 1: return urlKindAppColor();
    case 2: return urlKindExecutableColor();
    case 3: return urlKindScriptColor();
    case 4: return urlKindShortcutColor();
    default: return {};
    }
}

QFont panelFont() { return systemFont(13, QFont::Light); }

QFont systemFont(double pointSize, QFont::Weight weight) {
    QFont f = QApplication::font();
    // The panel measures in points of one pixel each.
    f.setPixelSize(std::max(1, int(pointSize + 0.5)));
    f.setWeight(weight);
    return f;
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette pal = widget->palette();
    for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) pal.setColor(role, color);
    widget->setPalette(pal);
}

} // namespace corv::ui
