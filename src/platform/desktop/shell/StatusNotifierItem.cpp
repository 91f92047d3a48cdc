#include "platform/desktop/shell/StatusNotifierItem.h"

#include "platform/desktop/shell/BusProbe.h"
#include "platform/desktop/shell/DesktopSymbols.h"
#include "platform/desktop/shell/DesktopTrace.h"
#include "platform/desktop/shell/TrayHostPoints.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QImage>
#include <QtEndian>

#include <thread>
#include <utility>

namespace corv::desktop {

// One picture of the icon: ARGB32 in network byte order.
struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
};
using SniPixmaps = QList<SniPixmap>;

struct SniToolTip {
    QString iconName;
    SniPixmaps pixmaps;
    QString title;
    QString text;
};

} // namespace corv::desktop

Q_DECLARE_METATYPE(corv::desktop::SniPixmap)
Q_DECLARE_METATYPE(corv::desktop::SniToolTip)

namespace corv::desktop {

namespace {

const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");

} // namespace

QDBusArgument& operator<<(QDBusArgument& a, const SniPixmap& p) {
    a.beginStructure();
    a << p.width << p.height << p.argb;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, SniPixmap& p) {
    a.beginStructure();
    a >> p.width >> p.height >> p.argb;
    a.endStructure();
    return a;
}
QDBusArgument& operator<<(QDBusArgument& a, const SniToolTip& t) {
    a.beginStructure();
    a << t.iconName << t.pixmaps << t.title << t.text;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, SniToolTip& t) {
    a.beginStructure();
    a >> t.iconName >> t.pixmaps >> t.title >> t.text;
    a.endStructure();
    return a;
}

void registerTypes() {
    static const bool done = [] {
        qDBusRegisterMetaType<SniPixmap>();
        qDBusRegisterMetaType<SniPixmaps>();
        qDBusRegisterMetaType<SniToolTip>();
        return true;
    }();
    (void)done;
}

namespace {

SniPixmaps pixmapsOf(const QIcon& icon) {
    SniPixmaps out;
    for (const int size : kTrayIconSizes) {
        const QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull()) continue;
        SniPixmap p{image.width(), image.height(), {}};
        p.argb.resize(qsizetype(image.width()) * image.height() * 4);
        auto* out32 = reinterpret_cast<quint32*>(p.argb.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) *out32++ = qToBigEndian(line[x]);
        }
        out.push_back(std::move(p));
    }
    return out;
}

} // namespace

// The item's interface as trays read it. Clicks come with the place the tray
// saw them, which counts where the tray passes screen points.
class StatusNotifierAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(QString IconThemePath READ iconThemePath)
    Q_PROPERTY(corv::desktop::SniPixmaps IconPixmap READ iconPixmap)
    Q_PROPERTY(corv::desktop::SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)

public:
    explicit StatusNotifierAdaptor(StatusNotifierItem* item) : QDBusAbstractAdaptor(item), item_(*item) {
        connect(item, &StatusNotifierItem::iconChanged, this, &StatusNotifierAdaptor::NewIcon);
        connect(item, &StatusNotifierItem::toolTipChanged, this, &StatusNotifierAdaptor::NewToolTip);
    }
    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QCoreApplication::applicationName(); }
    QString title() const { return item_.toolTip(); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString iconName() const { return {}; }
    QString iconThemePath() const { return {}; }
    SniPixmaps iconPixmap() const { return pixmapsOf(item_.icon()); }
    SniToolTip toolTip() const { return {{}, {}, item_.toolTip(), {}}; }
    bool itemIsMenu() const { return false; }

public Q_SLOTS:
    void Activate(int x, int y, const QDBusMessage& m) {
        item_.clicked(StatusNotifierItem::Click::Primary, {x, y}, m.service());
    }
    void SecondaryActivate(int, int) {}
    void ContextMenu(int x, int y, const QDBusMessage& m) {
        item_.clicked(StatusNotifierItem::Click::Context, {x, y}, m.service());
    }
    void Scroll(int, const QString&) {}
    void ProvideXdgActivationToken(const QString& token) { item_.takeActivationToken(token); }

Q_SIGNALS:
    void NewIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    StatusNotifierItem& item_;
};

// An item with a menu names it; trays that draw menus then show it on a
// right click. An item without has no Menu at all: a tray that finds one
// draws it, even an empty one.
class StatusNotifierMenuAdaptor final : public StatusNotifierAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

public:
    using StatusNotifierAdaptor::StatusNotifierAdaptor;
    QDBusObjectPath menu() const { return QDBusObjectPath(QString::fromLatin1(kDbusMenuPath)); }
};

StatusNotifierItem::StatusNotifierItem(std::vector<platform::MenuItem> menu,
                                       std::function<void(const TrayClick&)> clicked)
    : withMenu_(!menu.empty()), clicked_(std::move(clicked)) {
    registerTypes();
    menu_.setItems(std::move(menu));
    // Qt keeps an adaptor for its object's life: the one made here stays.
    if (withMenu_) new StatusNotifierMenuAdaptor(this);
    else new StatusNotifierAdaptor(this);
}

bool StatusNotifierItem::setMenu(std::vector<platform::MenuItem> items) {
    if (items.empty() == withMenu_) return false;
    menu_.setItems(std::move(items));
    return true;
}

StatusNotifierItem::~StatusNotifierItem() { withdraw(); }

void StatusNotifierItem::clicked(Click c, QPoint at, const QString& host) {
    const auto when = std::chrono::steady_clock::now();
    if (const auto known = hostPoints_.constFind(host); known != hostPoints_.constEnd() || !bus_ || host.isEmpty()) {
        const bool onScreen = known != hostPoints_.constEnd() && *known;
        QMetaObject::invokeMethod(
            this, [this, c, at, onScreen, when] { send(c, onScreen ? std::optional(at) : std::nullopt, when); },
            Qt::QueuedConnection);
        return;
    }
    askPeerProcessName(*bus_, host, this, [this, c, at, host, when](const QString& process) {
        const bool onScreen = hostTellsScreenPoints(process);
        // A host not found now (a slow bus) is asked of again at its next click.
        if (!process.isEmpty()) hostPoints_.insert(host, onScreen);
        trace(("status item: clicked through " + process.toStdString() +
               (onScreen ? ", at a screen point" : ", at no known place"))
                  .c_str());
        send(c, onScreen ? std::optional(at) : std::nullopt, when);
    });
}

void StatusNotifierItem::send(Click c, std::optional<QPoint> onScreen, std::chrono::steady_clock::time_point when) {
    TrayClick click{c, onScreen, std::exchange(token_, {}), when};
    if (clicked_) clicked_(click);
}

void StatusNotifierItem::setIcon(const QIcon& icon) {
    icon_ = icon;
    Q_EMIT iconChanged();
}

void StatusNotifierItem::setToolTip(const QString& text) {
    toolTip_ = text;
    Q_EMIT toolTipChanged();
}

void StatusNotifierItem::setShown(bool shown) {
    if (shown == shown_) return;
    shown_ = shown;
    if (shown) publish();
    else withdraw();
}

namespace {

// Runs queued calls from other threads on the main thread; never destroyed,
// so that a late thread always has somewhere to post.
QObject& mainThreadRelay() {
    static QObject* relay = new QObject;
    return *relay;
}

} // namespace

void StatusNotifierItem::publish() {
    static int count = 0;
    const QString name = QStringLiteral("corv-status-item-%1").arg(++count);
    const std::uint64_t generation = ++generation_;
    QObject& relay = mainThreadRelay();
    // The connection waits for the bus's answer: on a thread of its own,
    // after a bounded probe, and handed to the main thread when made.
    std::thread([&relay, alive = std::weak_ptr<int>(alive_), item = this, generation, name] {
        if (busUsable({}, BusKind::Session)) QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        QMetaObject::invokeMethod(
            &relay,
            [alive, item, generation, name] {
                if (alive.lock()) item->published(generation, name);
                else QDBusConnection::disconnectFromBus(name);
            },
            Qt::QueuedConnection);
    }).detach();
}

void StatusNotifierItem::published(std::uint64_t generation, const QString& name) {
    if (generation != generation_ || !shown_) {
        QDBusConnection::disconnectFromBus(name);
        return;
    }
    busName_ = name;
    bus_ = QDBusConnection(name);
    if (!bus_->isConnected() || !bus_->registerObject(kItemPath, this, QDBusConnection::ExportAdaptors) ||
        (hasMenu() && !bus_->registerObject(QString::fromLatin1(kDbusMenuPath), &menu_,
                                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                                QDBusConnection::ExportAllProperties))) {
        trace("status item: not published on the session bus");
        withdraw();
        return;
    }
    registerWithWatcher();
}

void StatusNotifierItem::withdraw() {
    ++generation_;
    if (!bus_) return;
    bus_->unregisterObject(kItemPath);
    bus_->unregisterObject(QString::fromLatin1(kDbusMenuPath));
    bus_.reset();
    // The connection's end takes its unique name, and with it the item, off the watcher.
    QDBusConnection::disconnectFromBus(busName_);
}

void StatusNotifierItem::registerWithWatcher() {
    if (!bus_) return;
    auto call = QDBusMessage::createMethodCall(kStatusNotifierWatcher, kWatcherPath, kStatusNotifierWatcher,
                                               QStringLiteral("RegisterStatusNotifierItem"));
    call << bus_->baseService();
    bus_->asyncCall(call);
    trace("status item: registered with the watcher");
}

bool statusNotifierWatcherRunning(const QDBusConnection& bus) {
    if (!bus.isConnected()) return false;
    auto has = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                              QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    has << QString::fromLatin1(kStatusNotifierWatcher);
    const QDBusReply<bool> reply = bus.call(has, QDBus::Block, kTrayAnswerBoundMs);
    return reply.isValid() && reply.value();
}

bool statusNotifierHostReady(const QDBusConnection& bus) {
    if (!statusNotifierWatcherRunning(bus)) return false;
    auto get = QDBusMessage::createMethodCall(kStatusNotifierWatcher, kWatcherPath,
                                              QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QString::fromLatin1(kStatusNotifierWatcher) << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusReply<QDBusVariant> reply = bus.call(get, QDBus::Block, kTrayAnswerBoundMs);
    return reply.isValid() && reply.value().variant().toBool();
}

} // namespace corv::desktop

#include "StatusNotifierItem.moc"
