#pragma once

// Where the panel window opens on the desktop: beside the tray icon that
// opened it, below a tray at the top of the screen and above one at the
// bottom, inside the work area (the screen less the desktop's panels, as the
// window manager's _NET_WORKAREA tells), so never over the tray.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace corv::desktop {

// The panel's frame: `wanted` is the top-left the program asked for; `tray`
// the clicked icon, or the horizontal tray bar holding it, when known. A
// panel taller than the room on its side is cut to it.
QRect placePanelFrame(QPoint wanted, QSize panel, const std::optional<QRect>& tray, const QRect& screen,
                      const QRect& work);

// The box round a tray's screen point, as big as its icon; and the middle of
// a tray's icon, which for that box is the point. The panel and its menu
// are centred on it and open on the screen holding it.
QRect trayPointBox(QPoint point);
QPoint trayMiddle(const QRect& icon);

// The frame of a panel that is showing and whose content changed height:
// its top edge, where the tabs are, stays where it is; it moves up only as
// far as the new height needs to stay inside the work area, and a panel
// taller than the work area is cut to it.
QRect keepPanelTop(const QRect& shown, int height, const QRect& work);

// The tray icon last clicked, or the horizontal bar holding it, as the X
// server has it.
void setClickedTrayIcon(const std::optional<QRect>& icon);
std::optional<QRect> clickedTrayIcon();

// The panel's title, by which the compositor knows its window; and the
// status menu's, where it is a window of its own.
inline constexpr const char* kPanelTitle = "Corvadine";
inline constexpr const char* kMenuTitle = "Corvadine menu";

// A screen in the compositor's coordinates: the whole of it, its work area,
// and how many of its pixels one of the panel's own spans there.
struct PanelScreen {
    QRect screen;
    QRect work;
    int scale = 1;
};

// What the compositor does for the panel where a Wayland client cannot;
// each part empty where it cannot.
struct PanelCompositor {
    // The screen holding the point.
    std::function<std::optional<PanelScreen>(QPoint)> screen;
    // Puts the window of the title at the frame, now and when it next shows;
    // false when the compositor cannot.
    std::function<bool(const QString& title, const QRect& frame)> place;
};
void setPanelCompositor(PanelCompositor compositor);
const PanelCompositor& panelCompositor();

// The screen holding the point as the compositor tells it, in its pixels;
// nothing where it does not.
std::optional<PanelScreen> compositorScreenAt(QPoint point);

// The screen a window opens on: under Wayland as the compositor tells it,
// the one holding the point where `exact`, else the one Qt has at the point
// (or its primary one). Nothing without a screen.
std::optional<PanelScreen> panelScreenAt(QPoint point, bool exact);

// Where a panel opened by a tray stood: its screen, whether the tray lay
// below the screen's middle, and the panel's top.
struct TrayOpening {
    QRect screen;
    bool below = false;
    int top = 0;
};
TrayOpening trayOpening(const QRect& icon, const QRect& frame, const QRect& screen);

// The frame of a drop-down from a tray's icon, or the box round its point,
// on the screen holding its middle: centred on it, against the bar's edge.
// Above a bottom tray it opens with its tabs where they stood at `last`, if
// higher, when that was by a bottom tray of the same screen.
QRect trayDropDownFrame(const QRect& icon, QSize size, const PanelScreen& on,
                        const std::optional<TrayOpening>& last = std::nullopt);

// Has the compositor put a window of the title and size where a drop-down
// from a tray's screen point goes (a Wayland client cannot); false where it
// cannot.
bool placeFromTrayPoint(const QString& title, QPoint point, QSize size);

// The token a tray gave for the click that shows the panel (xdg-activation):
// the panel's window is focused with it, where the compositor keeps the
// focus from windows that merely show. Taken once.
void setPanelActivationToken(const QString& token);
QString takePanelActivationToken();

// The desktop closed the panel as the user left it (a press outside it),
// the pointer where the compositor tells (nothing where it does not). A
// tray's click on its icon at that spot soon after is the same press, which
// closes the panel: it does not open it again. Taken once.
void notePanelClosedByPress(std::optional<QPoint> at);
bool panelClosedByPressAt(QPoint trayClick);

// A Wayland session, the program on Wayland or on Xwayland: no window is
// placed by the pointer (unknown to Wayland clients, stale on Xwayland), and
// only the compositor places native windows.
bool waylandSession();

// The top-level window holding a docked icon's window, on the root window.
std::optional<QRect> rootAncestorGeometry(const QWidget& window);

// Where a top-level widget lies on the root window, asked of the X server
// (a tray's docked icon is not where Qt believes); nothing off X11.
std::optional<QRect> rootGeometry(const QWidget& window);

} // namespace corv::desktop
