#include "platform/desktop/shell/DesktopStatusBar.h"

#include "platform/desktop/shell/DesktopPanelPlacement.h"
#include "platform/desktop/shell/DesktopSymbols.h"
#include "platform/desktop/shell/DesktopTrace.h"
#include "platform/desktop/shell/ResizeWatch.h"
#include "platform/desktop/shell/StatusNotifierItem.h"
#include "platform/desktop/shell/TrayColors.h"

#include <QApplication>
#include <QCursor>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QMenu>
#include <QPointer>
#include <QStyleHints>
#include <QSystemTrayIcon>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <utility>

namespace corv::desktop {

namespace {

// A click on a tray icon first takes the focus from the program's windows:
// a left click this soon after the program stopped being active is the click
// that closed the panel, not one that opens it again.
constexpr qint64 kClickAfterDeactivationMs = 300;

// Calls back on the watcher's StatusNotifierHostRegistered signal.
class HostListener final : public QObject {
    Q_OBJECT
public:
    explicit HostListener(std::function<void()> registered) : registered_(std::move(registered)) {}
public Q_SLOTS:
    void hostRegistered() { registered_(); }

private:
    std::function<void()> registered_;
};

} // namespace

class DesktopStatusBar::Item final : public platform::StatusButtonItem {
public:
    // `qtShows`: Qt's icon has a way to the screen (an X tray through xcb);
    // otherwise it stays hidden until a watcher comes.
    Item(const TrayColors& tray, bool qtShows) : tray_(tray), qtShows_(qtShows) {
        setImage({"rectangle.and.hand.point.up.left.filled", true, {}, 0});
        // Trays that keep a copy of the picture get it again in the new colours.
        qApp->installEventFilter(&paletteWatch_);
        QObject::connect(&icon_, &QSystemTrayIcon::activated, &icon_, [this](QSystemTrayIcon::ActivationReason r) {
            if (r == QSystemTrayIcon::Trigger && !clickClosedThePanel()) send(platform::MouseButton::Left);
            if (r == QSystemTrayIcon::Context) send(platform::MouseButton::Right);
        });
        if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            QObject::connect(gui, &QGuiApplication::applicationStateChanged, &icon_, [this](Qt::ApplicationState s) {
                if (s != Qt::ApplicationActive && active_) {
                    deactivated_.start();
                    trace("status item: the program went inactive");
                }
                active_ = s == Qt::ApplicationActive;
            });
        // Shown on the next turn of the loop, so that an item hidden as soon
        // as it is made never docks for a moment.
        QMetaObject::invokeMethod(
            &icon_,
            [this] {
                if (qtShows_ && visible_ && !sni_) icon_.show();
            },
            Qt::QueuedConnection);
        trace("status item made");
    }

    void setVisible(bool visible) override {
        visible_ = visible;
        if (sni_) sni_->setShown(visible);
        else if (qtShows_) icon_.setVisible(visible);
    }
    bool isVisible() const override { return visible_; }
    void setImage(const platform::SymbolImage& image) override {
        image_ = image;
        TrayLook look;
        if (const auto& colors = tray_.palette()) look = {colors->foreground, colors->error};
        icon_.setIcon(traySymbolIcon(image, look));
        if (sni_) sni_->setIcon(icon_.icon());
    }
    void redraw() { setImage(image_); }
    void setToolTip(const std::string& text) override {
        icon_.setToolTip(QString::fromStdString(text));
        if (sni_) sni_->setToolTip(icon_.toolTip());
    }
    // A watcher that Qt's icon does not reach has appeared: the item goes to
    // it, in place of the icon Qt shows (or cannot show).
    void showThroughWatcher() {
        if (sni_) {
            if (visible_) sni_->registerWithWatcher();
            return;
        }
        makeSni();
        icon_.hide();
    }
    void setAction(std::vector<platform::MouseButton> sendOn, std::function<void(platform::MouseButton)> a) override {
        sendOn_ = std::move(sendOn);
        action_ = std::move(a);
    }
    void setMenu(std::vector<platform::MenuItem> items) override {
        menu_ = std::move(items);
        // Gaining or losing the menu takes a new item, which trays read anew.
        if (sni_ && !sni_->setMenu(menu_)) makeSni();
    }
    void popUpMenu(const std::vector<platform::MenuItem>& items) override {
        // A tray that asks again while the menu is up gets that one, not a second.
        if (openMenu_) return;
        QMenu menu;
        openMenu_ = &menu;
        for (const auto& item : items) {
            QAction* act = menu.addAction(symbolIcon({item.symbol, true, {}, 0}), QString::fromStdString(item.title));
            QObject::connect(act, &QAction::triggered, act, [f = item.action] {
                if (f) f();
            });
        }
        // A Wayland menu with no window of ours to hang from is a window of
        // its own: of a fixed size, the compositor floats it, never tiles it,
        // and puts it under the tray's point where the tray tells one.
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
            menu.setFixedSize(menu.sizeHint());
            menu.setWindowTitle(QString::fromLatin1(kMenuTitle));
            if (sni_ && menuPoint_) {
                const QPoint at = *menuPoint_;
                const auto place = [&menu, at] { placeFromTrayPoint(QString::fromLatin1(kMenuTitle), at, menu.size()); };
                menu.resize(menu.sizeHint());
                place();
                // Qt may show it at another size than it hinted.
                new ResizeWatch(&menu, place);
            }
        }
        menu.exec(QCursor::pos());
    }
    std::optional<platform::Rect> buttonWindowFrame() const override {
        QRect tray;
        QRect g = sni_ ? QRect() : iconOnScreen(&tray);
        // Where a tray that passes screen points saw the click.
        if (sni_ && trayPoint_ && waylandSession()) g = trayPointBox(*trayPoint_);
        if (!g.isValid() || g.isEmpty()) {
            // In a Wayland session the pointer is unknown, or Xwayland's stale
            // one: the panel finds a place of its own.
            if (waylandSession()) {
                setClickedTrayIcon(std::nullopt);
                return std::nullopt;
            }
            // Trays that do not tell where the icon is: the pointer's spot.
            g = trayPointBox(QCursor::pos());
        }
        // A horizontal bar's edge keeps the panel off the whole bar.
        setClickedTrayIcon(tray.contains(g) && tray.width() > tray.height() ? QRect(g.x(), tray.y(), g.width(), tray.height()) : g);
        return platform::Rect{double(g.x()), double(g.y()), double(g.width()), double(g.height())};
    }

private:
    void makeSni() {
        sni_.reset();
        sni_ = std::make_unique<StatusNotifierItem>(menu_, [this](const StatusNotifierItem::TrayClick& c) {
            const bool closing = c.onScreen && panelClosedByPressAt(*c.onScreen);
            if (c.click == StatusNotifierItem::Click::Primary) {
                const char* passed = sameDoubleClick(c)      ? "the second of the same double click"
                                     : closing               ? "the press that closed the panel"
                                     : clickClosedThePanel() ? "the click that took the focus from the panel"
                                                             : nullptr;
                trace(passed ? (std::string("status item: a left click, passed over as ") + passed).c_str()
                             : "status item: a left click");
                if (!passed) {
                    trayPoint_ = c.onScreen;
                    setPanelActivationToken(c.activationToken);
                    send(platform::MouseButton::Left);
                }
            }
            if (c.click == StatusNotifierItem::Click::Context) {
                menuPoint_ = c.onScreen;
                send(platform::MouseButton::Right);
            }
        });
        sni_->setIcon(icon_.icon());
        sni_->setToolTip(icon_.toolTip());
        sni_->setShown(visible_);
    }
    // A docked icon's window lies inside the tray's, and Qt may hold its
    // place in the tray for its place on the screen: the server tells where
    // the icon under the pointer is.
    QRect iconOnScreen(QRect* tray) const {
        const QPoint pointer = QCursor::pos();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && std::strcmp(w->metaObject()->className(), "QSystemTrayIconSys") == 0)
                if (const auto onRoot = rootGeometry(*w); onRoot && onRoot->contains(pointer)) {
                    if (const auto bar = rootAncestorGeometry(*w)) *tray = *bar;
                    return *onRoot;
                }
        return icon_.geometry();
    }
    // A tray may tell one double click twice (GNOME's AppIndicator, while it
    // learns that the item takes Activate, on its press and its release): it
    // acts once, as a double click on an X tray's icon does.
    bool sameDoubleClick(const StatusNotifierItem::TrayClick& c) {
        const auto interval = std::chrono::milliseconds(QGuiApplication::styleHints()->mouseDoubleClickInterval());
        const bool near = lastClick_ && lastClick_->onScreen.has_value() == c.onScreen.has_value() &&
                          (!c.onScreen || (*c.onScreen - *lastClick_->onScreen).manhattanLength() <= 24);
        const bool same = near && c.when - lastClick_->when < interval;
        lastClick_ = c;
        return same;
    }
    bool clickClosedThePanel() {
        if (!deactivated_.isValid() || deactivated_.elapsed() >= kClickAfterDeactivationMs) return false;
        deactivated_.invalidate();
        return true;
    }
    void send(platform::MouseButton b) {
        if (action_ && std::find(sendOn_.begin(), sendOn_.end(), b) != sendOn_.end()) action_(b);
    }

    class PaletteWatch final : public QObject {
    public:
        explicit PaletteWatch(Item& item) : item_(item) {}
        bool eventFilter(QObject* target, QEvent* event) override {
            if (target == qApp && event->type() == QEvent::ApplicationPaletteChange) item_.setImage(item_.image_);
            return false;
        }

    private:
        Item& item_;
    };

    const TrayColors& tray_;
    const bool qtShows_;
    // Parented to the application so that it can be found among its children.
    QSystemTrayIcon icon_{QCoreApplication::instance()};
    std::unique_ptr<StatusNotifierItem> sni_;
    // Where the last left click was, when the tray passes screen points.
    std::optional<QPoint> trayPoint_;
    std::optional<StatusNotifierItem::TrayClick> lastClick_;
    // Where the last right click was, likewise.
    std::optional<QPoint> menuPoint_;
    std::vector<platform::MenuItem> menu_;
    QPointer<QMenu> openMenu_;
    bool visible_ = true;
    platform::SymbolImage image_;
    PaletteWatch paletteWatch_{*this};
    bool active_ = false;
    QElapsedTimer deactivated_;
    std::vector<platform::MouseButton> sendOn_;
    std::function<void(platform::MouseButton)> action_;
};

DesktopStatusBar::DesktopStatusBar() = default;

DesktopStatusBar::~DesktopStatusBar() {
    hostListener_.reset();
    watcherWatch_.reset();
    items_.clear();
    trayColors_.reset();
}

void DesktopStatusBar::trayColorsChanged() {
    for (auto& item : items_) item->redraw();
}

// The items go to a watcher as our own, with their menus; Qt's icon shows
// in X trays only.
void DesktopStatusBar::watchForWatcher() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    watcherWatch_ = std::make_unique<QDBusServiceWatcher>(QString::fromLatin1(kStatusNotifierWatcher), bus,
                                                          QDBusServiceWatcher::WatchForRegistration);
    QObject::connect(watcherWatch_.get(), &QDBusServiceWatcher::serviceRegistered, watcherWatch_.get(), [this] {
        trace("status item: a watcher appeared");
        askForHost();
    });
    hostListener_ = std::make_unique<HostListener>([this] { askForHost(); });
    bus.connect(QString::fromLatin1(kStatusNotifierWatcher), QStringLiteral("/StatusNotifierWatcher"),
                QString::fromLatin1(kStatusNotifierWatcher), QStringLiteral("StatusNotifierHostRegistered"),
                hostListener_.get(), SLOT(hostRegistered()));
    // One already there, with a tray or without one yet, gets the items.
    if (statusNotifierWatcherRunning(bus)) throughWatcher_ = true;
}

// A watcher that appears later gets the items once a tray has registered with
// it: a tray still setting up may miss an item registered before.
void DesktopStatusBar::askForHost() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    auto get = QDBusMessage::createMethodCall(QString::fromLatin1(kStatusNotifierWatcher),
                                              QStringLiteral("/StatusNotifierWatcher"),
                                              QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QString::fromLatin1(kStatusNotifierWatcher) << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* answer = new QDBusPendingCallWatcher(bus.asyncCall(get, kTrayAnswerBoundMs), hostListener_.get());
    QObject::connect(answer, &QDBusPendingCallWatcher::finished, answer, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
            qvariant_cast<QDBusVariant>(reply.arguments().front()).variant().toBool())
            hostReady();
    });
}

void DesktopStatusBar::hostReady() {
    throughWatcher_ = true;
    for (auto& item : items_) item->showThroughWatcher();
    trayAppeared();
}

void DesktopStatusBar::whenTrayAppears(std::function<void()> appeared) { trayAppeared_ = std::move(appeared); }

void DesktopStatusBar::trayAppeared() {
    if (!trayAppeared_) return;
    trace("status item: a tray appeared");
    // Once: the callback may ask for the next tray.
    std::exchange(trayAppeared_, {})();
}

bool DesktopStatusBar::hasTray() const {
    // Without a display nothing is shown anywhere, and nothing is missing.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return true;
    return (throughWatcher_ && statusNotifierHostReady(QDBusConnection::sessionBus())) ||
           QSystemTrayIcon::isSystemTrayAvailable();
}

platform::StatusButtonItem* DesktopStatusBar::makeStatusItem() {
    // Tray icons need the widgets application.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
    if (!trayColors_)
        trayColors_ = std::make_unique<TrayColors>([this] { trayColorsChanged(); }, [this] { trayAppeared(); });
    if (items_.empty()) watchForWatcher();
    const bool qtShows = !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    items_.push_back(std::make_unique<Item>(*trayColors_, qtShows));
    if (throughWatcher_) items_.back()->showThroughWatcher();
    return items_.back().get();
}

} // namespace corv::desktop

#include "DesktopStatusBar.moc"
