#include "platform/desktop/shell/DesktopWindows.h"

#include "platform/desktop/shell/DesktopAppControl.h"
#include "platform/desktop/shell/DesktopCompositing.h"
#include "platform/desktop/shell/DesktopLifecycle.h"
#include "platform/desktop/shell/DesktopPanelPlacement.h"
#include "platform/desktop/shell/DesktopSymbols.h"
#include "platform/desktop/shell/DesktopTrace.h"
#include "platform/desktop/shell/ResizeWatch.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPropertyAnimation>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include <xcb/xcb.h>

namespace corv::desktop {

namespace {

constexpr int kPanelWidth = 380;
constexpr int kPanelHeight = 480;
constexpr int kTileSize = 100;
constexpr int kSymbolSize = 80;

DesktopWindows::ContentFactory& contentFactory() {
    static DesktopWindows::ContentFactory factory;
    return factory;
}

bool haveWidgets() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

// Keeps an unmapped window out of the taskbar and the pager: on X11 the
// window manager reads these states when the window is mapped. The states
// already set stay.
void skipTaskbarAndPager(QWidget& window) {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* c = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t state = internAtom(c, "_NET_WM_STATE");
    std::vector<xcb_atom_t> atoms;
    if (xcb_get_property_reply_t* reply =
            xcb_get_property_reply(c, xcb_get_property(c, 0, id, state, XCB_ATOM_ATOM, 0, 64), nullptr)) {
        if (reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
            const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
            atoms.assign(data, data + xcb_get_property_value_length(reply) / sizeof(xcb_atom_t));
        }
        std::free(reply);
    }
    for (const char* name : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
        const xcb_atom_t atom = internAtom(c, name);
        if (atom != XCB_ATOM_NONE && std::find(atoms.begin(), atoms.end(), atom) == atoms.end()) atoms.push_back(atom);
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(atoms.size()),
                        atoms.data());
    xcb_flush(c);
}

constexpr int kCornerRadius = 20;

QPainterPath roundedOutline(const QRect& r) {
    QPainterPath path;
    path.addRoundedRect(r, kCornerRadius, kCornerRadius);
    return path;
}

// The panel's window paints its rounded background; the content sits inside.
// Without a compositor its corners are cut away (a shaped window), so no
// square of the server's grey shows behind them.
class PanelWidget final : public QWidget {
public:
    PanelWidget() : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
        setAttribute(Qt::WA_TranslucentBackground);
        markOwnWindow(*this);
        setWindowTitle(QString::fromLatin1(kPanelTitle));
        setFixedWidth(kPanelWidth);
        resize(kPanelWidth, kPanelHeight);
    }
    // Shapes the window for the compositor present now.
    void shapeCorners() {
        composited_ = compositingManagerRuns();
        applyShape();
    }
    // Asks for the focus with the token once the window's first frame is out:
    // KWin drops an activation of a window it does not show yet. Empty: none.
    void activateWhenShown(const QString& token) { token_ = token; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(roundedOutline(rect()), palette().window());
        if (token_.isEmpty()) return;
        // The frame goes to the compositor after this paint; the request follows it.
        platform::runLoop().post([window = QPointer<PanelWidget>(this), token = std::exchange(token_, {})] {
            if (!window || !window->isVisible()) return;
            qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
            window->activateWindow();
            // Used now or never: no program the user starts later inherits it.
            qunsetenv("XDG_ACTIVATION_TOKEN");
        });
    }
    void resizeEvent(QResizeEvent* e) override {
        QWidget::resizeEvent(e);
        applyShape();
    }
    // Closed by the window manager: the program hides it, so it knows.
    void closeEvent(QCloseEvent* e) override {
        auto* lifecycle = dynamic_cast<DesktopLifecycle*>(platform::installedServices().lifecycle);
        if (!lifecycle) return QWidget::closeEvent(e);
        e->ignore();
        lifecycle->panelClosed();
    }

private:
    void applyShape() {
        if (composited_) clearMask();
        else setMask(QRegion(roundedOutline(rect()).toFillPolygon().toPolygon()));
    }

    bool composited_ = true;
    QString token_;
};

class DesktopPanel final : public platform::PanelWindow {
public:
    DesktopPanel() { trace("panel made"); }
    void setContent(bool present) override {
        delete content_;
        content_ = nullptr;
        if (!present) return;
        const auto& factory = contentFactory();
        content_ = factory ? factory(&window_) : nullptr;
        if (!content_) {
            content_ = new QWidget(&window_);
            content_->setGeometry(window_.rect());
        }
        content_->move(0, 0);
        content_->show();
        new ResizeWatch(content_, [this] { place(); });
        place();
    }
    bool hasContent() const override { return content_ != nullptr; }
    platform::Rect frame() const override {
        const QRect g = window_.frameGeometry();
        return {double(g.x()), double(g.y()), double(g.width()), double(g.height())};
    }
    void setFrameOrigin(platform::Point o) override {
        wanted_ = QPoint(int(o.x), int(o.y));
        place();
    }
    void makeKeyAndOrderFront() override {
        // A drop-down of the tray icon, not a window of its own.
        if (!window_.isVisible()) {
            skipTaskbarAndPager(window_);
            window_.shapeCorners();
        }
        // Each showing is a new window to a Wayland compositor: it is placed
        // again, and focused with the tray's token where one came, once shown.
        QString token = takePanelActivationToken();
        if (onWayland()) sendPlacement(true);
        else token.clear();
        window_.setAttribute(Qt::WA_ShowWithoutActivating, !token.isEmpty());
        window_.activateWhenShown(token);
        window_.show();
        window_.raise();
        if (token.isEmpty()) window_.activateWindow();
        shown_ = true;
        trace("panel shown");
    }
    void orderOut() override {
        window_.activateWhenShown({});
        window_.hide();
        shown_ = false;
        trace("panel hidden");
    }
    bool isVisible() const override { return window_.isVisible(); }

private:
    // As high as the content, beside the tray icon, inside the work area.
    void place() {
        int height = kPanelHeight;
        if (content_) height = content_->height() > 0 ? content_->height() : content_->sizeHint().height();
        if (height <= 0) height = kPanelHeight;
        const std::optional<QRect> icon = clickedTrayIcon();
        const std::optional<PanelScreen> screen = panelScreenAt(icon ? trayMiddle(*icon) : wanted_, icon.has_value());
        const PanelScreen on = screen.value_or(PanelScreen{});
        const QRect& work = on.work;
        const QSize size(kPanelWidth * on.scale, height * on.scale);
        QRect frame;
        if (shown_ && window_.isVisible() && screen) {
            // Open: the tab bar stays under the pointer while the content changes.
            frame = keepPanelTop(placed_, size.height(), work);
        } else if (icon && screen) {
            // Under the icon, in the screen's pixels: the origin asked for
            // was kept to Qt's screens, which Qt may lay out in others.
            frame = trayDropDownFrame(*icon, size, on, opened_);
        } else {
            // Asked for round a middle at its own width, which the
            // compositor's pixels may make wider.
            QPoint wanted = wanted_ - QPoint((size.width() - kPanelWidth) / 2, 0);
            // Nothing tells where the icon is: the middle of the screen.
            if (!icon && screen && waylandSession()) wanted = work.center() - QPoint(size.width() / 2, size.height() / 2);
            frame = screen ? placePanelFrame(wanted, size, icon, on.screen, work) : QRect(wanted, size);
        }
        // Only a panel by its icon leaves its top to the next.
        opened_ = icon && screen ? std::optional(trayOpening(*icon, frame, on.screen)) : std::nullopt;
        // The window's own size, in its pixels. The compositor places a
        // Wayland window; a fixed size keeps tiling ones from stretching it,
        // and lets them float it whole.
        const QSize own(frame.width() / on.scale, frame.height() / on.scale);
        if (onWayland()) window_.setFixedSize(own);
        placed_ = frame;
        window_.setGeometry(QRect(frame.topLeft(), own));
        sendPlacement(false);
    }
    // Asks the compositor to put the window where it was placed; `again`
    // asks even for the frame it was last asked.
    void sendPlacement(bool again) {
        const auto& place = panelCompositor().place;
        if (!place || !onWayland() || (!again && sent_ == placed_)) return;
        sent_ = placed_;
        place(QString::fromLatin1(kPanelTitle), placed_);
    }
    static bool onWayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

    PanelWidget window_;
    QPointer<QWidget> content_;
    QPoint wanted_;
    // Shown: later heights keep its top.
    bool shown_ = false;
    // Where it stood when last placed by its icon.
    std::optional<TrayOpening> opened_;
    // Where it was put last, in the compositor's pixels (the window's own
    // geometry lags the server's).
    QRect placed_;
    // Where the compositor was last asked to put it.
    QRect sent_;
};

// The tile: the symbol on a rounded, translucent dark square.
class TileWidget final : public QWidget {
public:
    explicit TileWidget(const platform::SymbolImage& symbol)
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus |
                               Qt::X11BypassWindowManagerHint),
          icon_(symbolIcon(symbol)) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        markOwnWindow(*this);
        setFocusPolicy(Qt::NoFocus);
        setFixedSize(kTileSize, kTileSize);
        setWindowOpacity(0.0);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(rect(), 20, 20);
        p.fillPath(path, QColor(0, 0, 0, 51));
        const int pad = (kTileSize - kSymbolSize) / 2;
        icon_.paint(&p, QRect(pad, pad, kSymbolSize, kSymbolSize));
    }

private:
    QIcon icon_;
};

class DesktopOverlay final : public platform::OverlayWindow {
public:
    explicit DesktopOverlay(const platform::SymbolImage& symbol) : tile_(new TileWidget(symbol)) {}
    ~DesktopOverlay() override { delete tile_; }
    platform::Rect frame() const override {
        if (!tile_) return {};
        const QRect g = tile_->frameGeometry();
        return {double(g.x()), double(g.y()), double(g.width()), double(g.height())};
    }
    void setFrameOrigin(platform::Point o) override {
        if (tile_) tile_->move(int(o.x), int(o.y));
    }
    void orderFrontRegardless() override {
        if (!tile_) return;
        tile_->show();
        tile_->raise();
        trace("overlay shown");
    }
    void animateOpacity(double opacity, double seconds, std::function<void()> done) override {
        if (!tile_) {
            if (done) done();
            return;
        }
        auto* fade = new QPropertyAnimation(tile_, "windowOpacity", tile_);
        fade->setDuration(int(seconds * 1000));
        fade->setEndValue(opacity);
        fade->setEasingCurve(QEasingCurve::InQuad);
        auto pending = std::make_shared<std::function<void()>>(std::move(done));
        QObject::connect(fade, &QPropertyAnimation::finished, fade, [pending] {
            // On a later turn, and not kept here: `done` may hold the last
            // reference to this window, whose tile owns this animation.
            if (*pending) platform::runLoop().post(std::exchange(*pending, nullptr));
        });
        fade->start(QAbstractAnimation::DeleteWhenStopped);
    }
    void close() override {
        if (tile_) tile_->hide();
    }

private:
    QPointer<TileWidget> tile_;
};

} // namespace

void DesktopWindows::setContentFactory(ContentFactory factory) { contentFactory() = std::move(factory); }

std::unique_ptr<platform::PanelWindow> DesktopWindows::makePanel() {
    if (!haveWidgets()) return nullptr;
    return std::make_unique<DesktopPanel>();
}

bool DesktopWindows::composited() { return compositingManagerRuns(); }

std::unique_ptr<platform::OverlayWindow> DesktopWindows::makeOverlay(const platform::SymbolImage& symbol) {
    if (!haveWidgets()) return nullptr;
    return std::make_unique<DesktopOverlay>(symbol);
}

} // namespace corv::desktop
