#include "ui/Theme.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <vector>

namespace corv::ui {

namespace {

// The panel's tints, the same whatever the desktop's scheme: the tab bar's,
// the content's and the popups'.
QColor grey(float level, float alpha) { return QColor::fromRgbF(level, level, level, alpha); }

enum class Scheme { Dark, Light };

Scheme deskScheme() {
    return QApplication::palette().color(QPalette::Window).lightness() >= 128 ? Scheme::Light : Scheme::Dark;
}

// The scheme's colours, made once each.
struct Colors {
    QColor ground, barTint, contentTint, popupTint;
    QColor primary, secondary, tertiary, separator, accent, accentText, overridden;
};

// The grounds text stands on: the content, the tab bar and the popups.
std::vector<QColor> grounds(const Colors& c) {
    return {over(c.contentTint, c.ground), over(c.barTint, c.ground), over(c.popupTint, c.ground)};
}

// Readable on every ground.
QColor readableOnAll(QColor c, const std::vector<QColor>& on, double ratio) {
    for (int pass = 0; pass < 2; ++pass)
        for (const QColor& g : on) c = readableOn(c, g, ratio);
    return c;
}

Colors makeColors() {
    const QPalette desk = QApplication::palette();
    Colors c;
    // The tints lie on a dark ground: the desktop's own when it is dark.
    c.ground = deskScheme() == Scheme::Dark ? desk.color(QPalette::Window) : QColor(40, 40, 40);
    c.barTint = grey(0.1f, 0.65f);
    c.contentTint = grey(0.0f, 0.65f);
    c.popupTint = grey(0.1f, 0.2f);
    std::vector<QColor> on = grounds(c);
    const QColor ground = on.front();
    // The desktop's text colour, or its ground's where that reads better on
    // the tints (dark text of a light desktop).
    QColor text = desk.color(QPalette::WindowText);
    if (contrastRatio(desk.color(QPalette::Window), ground) > contrastRatio(over(text, ground), ground))
        text = desk.color(QPalette::Window);
    c.primary = readableOnAll(text, on, 7.0);
    // The selected tab's highlight (twice over while it springs).
    QColor hi = c.primary;
    hi.setAlphaF(0.16f);
    on.push_back(over(hi, over(c.barTint, c.ground)));
    c.secondary = readableOnAll(blendedColor(c.primary, ground, 0.3), on, 4.5);
    c.tertiary = readableOnAll(blendedColor(c.primary, ground, 0.5), on, 4.5);
    c.separator = blendedColor(c.primary, ground, 0.7);
    c.accent = readableOnAll(desk.color(QPalette::Highlight), on, 3.0);
    c.accentText = readableOnAll(blendedColor(desk.color(QPalette::Highlight), c.primary, 0.2), on, 4.5);
    c.overridden = readableOnAll(blendedColor(QColor(255, 204, 0), c.primary, 0.2), on, 4.5);
    return c;
}

// Made for each of the desktop's schemes when first seen.
const Colors& colors() {
    if (deskScheme() == Scheme::Dark) {
        static const Colors dark = makeColors();
        return dark;
    }
    static const Colors light = makeColors();
    return light;
}

double luminance(const QColor& c) {
    const auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    const QColor r = c.toRgb();
    return 0.2126 * lin(r.redF()) + 0.7152 * lin(r.greenF()) + 0.0722 * lin(r.blueF());
}

} // namespace

QColor primaryColor() { return colors().primary; }

QColor secondaryColor() { return colors().secondary; }

QColor accentColor() { return colors().accent; }

QColor separatorColor() { return colors().separator; }

QColor panelGroundColor() { return colors().ground; }

QColor tabBarTint() { return colors().barTint; }

QColor contentTint() { return colors().contentTint; }

QColor popupTint() { return colors().popupTint; }

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor over(const QColor& c, const QColor& ground) {
    const QColor f = c.toRgb(), g = ground.toRgb();
    const float a = f.alphaF();
    return QColor::fromRgbF(f.redF() * a + g.redF() * (1 - a), f.greenF() * a + g.greenF() * (1 - a),
                            f.blueF() * a + g.blueF() * (1 - a));
}

QColor readableOn(const QColor& c, const QColor& ground, double ratio) {
    QColor base = over(c, ground);
    const QColor pole = luminance(ground) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
    for (int i = 1; i <= 20 && contrastRatio(base, ground) < ratio; ++i) base = blendedColor(over(c, ground), pole, i * 0.05);
    return base;
}

QPalette panelPalette() {
    QPalette pal = QApplication::palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::WindowText, primaryColor());
        pal.setColor(group, QPalette::Text, primaryColor());
        pal.setColor(group, QPalette::ButtonText, primaryColor());
        pal.setColor(group, QPalette::PlaceholderText, dimLabelColor());
        pal.setColor(group, QPalette::Highlight, accentColor());
        pal.setColor(group, QPalette::HighlightedText, contrastRatio(Qt::white, accentColor()) >= 3 ? Qt::white : Qt::black);
    }
    pal.setColor(QPalette::Disabled, QPalette::WindowText, dimLabelColor());
    pal.setColor(QPalette::Disabled, QPalette::Text, dimLabelColor());
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, dimLabelColor());
    pal.setColor(QPalette::Window, panelGroundColor());
    pal.setColor(QPalette::Base, Qt::transparent);
    return pal;
}

QPalette popupPalette() {
    QPalette pal = panelPalette();
    const QColor ground = over(popupTint(), panelGroundColor());
    const QColor button = blendedColor(ground, primaryColor(), 0.1);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Window, ground);
        pal.setColor(group, QPalette::Base, ground);
        pal.setColor(group, QPalette::AlternateBase, blendedColor(ground, primaryColor(), 0.05));
        pal.setColor(group, QPalette::Button, button);
        pal.setColor(group, QPalette::Light, blendedColor(button, Qt::white, 0.2));
        pal.setColor(group, QPalette::Midlight, blendedColor(button, Qt::white, 0.1));
        pal.setColor(group, QPalette::Mid, blendedColor(button, Qt::black, 0.3));
        pal.setColor(group, QPalette::Dark, blendedColor(button, Qt::black, 0.5));
        pal.setColor(group, QPalette::Shadow, Qt::black);
        pal.setColor(group, QPalette::ToolTipBase, ground);
        pal.setColor(group, QPalette::ToolTipText, primaryColor());
        pal.setColor(group, QPalette::BrightText, Qt::white);
        pal.setColor(group, QPalette::Link, accentTextColor());
    }
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

const QColor& dimLabelColor() { return colors().tertiary; }

const QColor& accentTextColor() { return colors().accentText; }

const QColor& overriddenBindingColor() { return colors().overridden; }

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
