#include "platform/desktop/shell/DesktopPanelPlacement.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QStyleHints>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include <xcb/xcb.h>

namespace corv::desktop {

namespace {

std::optional<QRect>& lastIcon() {
    static std::optional<QRect> icon;
    return icon;
}

PanelCompositor& compositorParts() {
    static PanelCompositor parts;
    return parts;
}

QString& activationToken() {
    static QString token;
    return token;
}

// The press that last closed the panel, and since when.
struct ClosingPress {
    std::optional<QPoint> at;
    QElapsedTimer since;
};
ClosingPress& closingPress() {
    static ClosingPress press;
    return press;
}

// A tray that opens on a double click (GNOME's AppIndicator) tells it at the
// second press, up to a double-click interval after the first.
constexpr qint64 kPressToTrayClickMs = 300;
// The tray's point lies in its 24-pixel icon round the press.
constexpr int kPressToTrayClickReach = 12;

} // namespace

QRect placePanelFrame(QPoint wanted, QSize panel, const std::optional<QRect>& icon, const QRect& screen,
                      const QRect& work) {
    const QRect area = work.isValid() ? work : screen;
    QRect r(wanted, panel);
    if (!area.isValid()) return r;
    if (icon && icon->isValid()) {
        // A tray in the upper half of the screen: the panel hangs below it.
        // An icon in a bar outside the work area has the bar's edge: a box
        // round a tray's point may reach past a thin bar.
        const int middle = trayMiddle(*icon).y();
        if (middle < screen.center().y()) {
            const int top = middle < area.top() ? area.top() : std::max(icon->bottom() + 1, area.top());
            r = QRect(r.x(), top, panel.width(), std::min(panel.height(), area.bottom() + 1 - top));
        } else {
            const int bottom = middle > area.bottom() ? area.bottom() + 1 : std::min(icon->top(), area.bottom() + 1);
            const int height = std::min(panel.height(), bottom - area.top());
            r = QRect(r.x(), bottom - height, panel.width(), height);
        }
    } else {
        r.setHeight(std::min(panel.height(), area.height()));
        r.moveTop(std::max(std::min(r.top(), area.bottom() + 1 - r.height()), area.top()));
    }
    r.moveLeft(std::max(std::min(r.left(), area.right() + 1 - r.width()), area.left()));
    return r;
}

QRect trayPointBox(QPoint point) { return QRect(point - QPoint(12, 12), QSize(24, 24)); }

// Not QRect::center(), which is a pixel short of the box's middle.
QPoint trayMiddle(const QRect& icon) { return {icon.x() + icon.width() / 2, icon.y() + icon.height() / 2}; }

TrayOpening trayOpening(const QRect& icon, const QRect& frame, const QRect& screen) {
    return {screen, trayMiddle(icon).y() >= screen.center().y(), frame.top()};
}

QRect trayDropDownFrame(const QRect& icon, QSize size, const PanelScreen& on, const std::optional<TrayOpening>& last) {
    const QPoint middle = trayMiddle(icon);
    QRect frame = placePanelFrame({middle.x() - size.width() / 2, middle.y()}, size, icon, on.screen, on.work);
    // The tabs stay where they stood above the same bar; by another bar,
    // or another screen, the panel hangs from that bar.
    const TrayOpening now = trayOpening(icon, frame, on.screen);
    if (now.below && last && last->below && last->screen == on.screen && last->top < frame.top() &&
        on.work.contains(QPoint(frame.x(), last->top)))
        frame = keepPanelTop(QRect(QPoint(frame.x(), last->top), frame.size()), size.height(), on.work);
    return frame;
}

QRect keepPanelTop(const QRect& shown, int height, const QRect& work) {
    QRect r(shown.topLeft(), QSize(shown.width(), height));
    if (!work.isValid()) return r;
    r.setHeight(std::min(height, work.height()));
    if (r.bottom() > work.bottom()) r.moveBottom(work.bottom());
    if (r.top() < work.top()) r.moveTop(work.top());
    return r;
}

void setClickedTrayIcon(const std::optional<QRect>& icon) { lastIcon() = icon; }

void setPanelCompositor(PanelCompositor compositor) { compositorParts() = std::move(compositor); }
const PanelCompositor& panelCompositor() { return compositorParts(); }

std::optional<PanelScreen> compositorScreenAt(QPoint point) {
    const auto& told = panelCompositor().screen;
    auto on = told ? told(point) : std::nullopt;
    if (!on || !on->screen.isValid() || !on->work.isValid()) return std::nullopt;
    on->scale = std::max(on->scale, 1);
    return on;
}

std::optional<PanelScreen> panelScreenAt(QPoint point, bool exact) {
    // A Wayland client sees no bars, nor the screens as the compositor lays
    // them out: the compositor tells, in its own pixels.
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (wayland && exact)
        if (auto told = compositorScreenAt(point)) return told;
    const QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return std::nullopt;
    if (wayland && !exact)
        if (auto told = compositorScreenAt(screen->geometry().center())) return told;
    return PanelScreen{screen->geometry(), screen->availableGeometry()};
}

bool placeFromTrayPoint(const QString& title, QPoint point, QSize size) {
    const auto& compositor = panelCompositor();
    const auto on = panelScreenAt(point, true);
    if (!compositor.place || !on) return false;
    return compositor.place(title, trayDropDownFrame(trayPointBox(point), size * on->scale, *on));
}

void setPanelActivationToken(const QString& token) { activationToken() = token; }
QString takePanelActivationToken() { return std::exchange(activationToken(), {}); }

void notePanelClosedByPress(std::optional<QPoint> at) {
    closingPress().at = at;
    closingPress().since.start();
}

bool panelClosedByPressAt(QPoint trayClick) {
    auto& press = closingPress();
    const std::optional<QPoint> at = std::exchange(press.at, std::nullopt);
    if (!at || !press.since.isValid()) return false;
    const qint64 bound = kPressToTrayClickMs + QGuiApplication::styleHints()->mouseDoubleClickInterval();
    const QPoint off = trayClick - *at;
    return press.since.elapsed() < bound && std::abs(off.x()) <= kPressToTrayClickReach &&
           std::abs(off.y()) <= kPressToTrayClickReach;
}

bool waylandSession() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ||
           qgetenv("XDG_SESSION_TYPE") == "wayland";
}

std::optional<QRect> clickedTrayIcon() { return lastIcon(); }

std::optional<QRect> rootGeometry(const QWidget& window) {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection() || !window.internalWinId()) return std::nullopt;
    xcb_connection_t* c = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    auto* reply = xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, static_cast<xcb_window_t>(window.internalWinId()), root, 0, 0), nullptr);
    if (!reply) return std::nullopt;
    const QRect r(reply->dst_x, reply->dst_y, window.width(), window.height());
    std::free(reply);
    return r;
}

std::optional<QRect> rootAncestorGeometry(const QWidget& window) {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection() || !window.internalWinId()) return std::nullopt;
    xcb_connection_t* c = x11->connection();
    xcb_window_t w = static_cast<xcb_window_t>(window.internalWinId());
    for (int depth = 0; depth < 16; ++depth) {
        auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
        if (!tree) return std::nullopt;
        const xcb_window_t parent = tree->parent, root = tree->root;
        std::free(tree);
        if (parent == root || parent == XCB_NONE) break;
        w = parent;
    }
    auto* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
    if (!geometry) return std::nullopt;
    const xcb_window_t root = geometry->root;
    const QSize size(geometry->width, geometry->height);
    std::free(geometry);
    auto* at = xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, w, root, 0, 0), nullptr);
    if (!at) return std::nullopt;
    const QRect r(QPoint(at->dst_x, at->dst_y), size);
    std::free(at);
    return r;
}

} // namespace corv::desktop
