#pragma once

// The panel's shared colours, fonts and measures. Each colour is made on
// first use and kept for the life of the process.

#include <QColor>
#include <QFont>
#include <QPalette>

class QWidget;

namespace corv::ui {

// The panel's width in points; every tab lays out inside it.
inline constexpr int kPanelWidth = 380;

// The panel and its popups are dark whatever the desktop's scheme: the same
// tints on a dark ground (the desktop's window colour when it is dark). Only
// the text colours follow the desktop (its label and highlight colours, or
// its light ground as text on a light desktop), made readable on every
// tinted ground: 7:1 for primary text, 4.5:1 for secondary and tertiary.

QColor primaryColor();
QColor secondaryColor();
QColor accentColor();
// Separators, slider tracks: drawn, never text.
QColor separatorColor();
// The panel's ground and the tints laid on it: the tab bar's, the content's,
// a popup's.
QColor panelGroundColor();
QColor tabBarTint();
QColor contentTint();
QColor popupTint();

// The contrast ratio of two opaque colours (1 to 21).
double contrastRatio(const QColor& a, const QColor& b);
// `c` laid over `ground` (alpha composited), opaque.
QColor over(const QColor& c, const QColor& ground);
// `c` moved toward black or white, whichever parts more from `ground`, until
// it reaches `ratio` on it; `c` itself when it does already.
QColor readableOn(const QColor& c, const QColor& ground, double ratio);
// The scheme as a palette, for the panel's root and its windows.
QPalette panelPalette();
// A whole palette for the panel's menus and dialogs, which draw their own
// grounds: the popups' tint on the panel's ground, whatever the desktop's scheme.
QPalette popupPalette();

// The colour blended toward `target` by `fraction` (0: base, 1: target) in
// sRGB; the base colour when either is invalid.
QColor blendedColor(const QColor& base, const QColor& target, double fraction);

// Disabled labels, dimmed rows, frame outlines.
const QColor& dimLabelColor();
// The current choice: the selected tab, the armed delete button, menus.
const QColor& accentTextColor();
// Rows whose per-application binding differs from the global one.
const QColor& overriddenBindingColor();
// Launch-target field tints by target kind (1 app/URL, 2 executable,
// 3 script, 4 Shortcut).
const QColor& urlKindAppColor();
const QColor& urlKindExecutableColor();
const QColor& urlKindScriptColor();
const QColor& urlKindShortcutColor();
// The tint for a target kind; invalid (no tint) for kind 0 and unknown kinds.
QColor urlKindColor(int kind);

// Sets a widget's text colour (window, button and field text).
void setTextColor(QWidget* widget, const QColor& color);

// The panel's default font: 13 points, light.
QFont panelFont();
// The font of a symbol or a label at a size and weight.
QFont systemFont(double pointSize, QFont::Weight weight = QFont::Normal);

} // namespace corv::ui
