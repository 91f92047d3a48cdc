#include "platform/desktop/windows/GnomeShellWindows.h"

#include "platform/desktop/bus/GnomeScreenSaver.h"
#include "platform/desktop/shell/BusProbe.h"
#include "platform/desktop/shell/DesktopTrace.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace corv::desktop {

namespace {

const QString kService = QString::fromLatin1(kGnomeShellService);
const QString kPath = QString::fromLatin1(kGnomeShellPath);
const QString kInterface = QString::fromLatin1(kGnomeShellInterface);
const QString kShell = QStringLiteral("org.gnome.Shell");
const QString kBus = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");

enum StateAction { Off = 0, On = 1, Toggle = 2 };

QVariantMap mapOf(const QVariant& value) { return qdbus_cast<QVariantMap>(value); }

bool answered(const QDBusMessage& reply) { return reply.type() == QDBusMessage::ReplyMessage; }

bool timedOut(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ErrorMessage &&
           (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
            reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.Timeout"));
}

// The connection that owns the name, asked within the bound; empty for none.
QString ownerOf(QDBusConnection& bus, const QString& name) {
    auto call = QDBusMessage::createMethodCall(kBus, kBusPath, kBus, QStringLiteral("GetNameOwner"));
    call << name;
    const QDBusMessage reply = bus.call(call, QDBus::Block, static_cast<int>(kCompositorBound.count()));
    return answered(reply) && !reply.arguments().isEmpty() ? reply.arguments().front().toString() : QString();
}

// From an answer to Windows, or the signal that starts with the same.
std::optional<GnomeWindows> windowsOf(const QDBusMessage& reply) {
    if (reply.type() == QDBusMessage::ErrorMessage || reply.arguments().size() < 2) return std::nullopt;
    const auto list = reply.arguments().at(0).value<QDBusArgument>();
    if (list.currentType() != QDBusArgument::ArrayType) return std::nullopt;
    GnomeWindows out;
    list.beginArray();
    while (!list.atEnd()) {
        QVariantMap description;
        list >> description;
        const CompositorWindow window = gnomeWindowOf(description);
        if (window.id == 0) continue;
        out.list.windows.push_back(window);
        out.shown.push_back(description.value(QStringLiteral("shown"), true).toBool());
    }
    list.endArray();
    out.list.focused = reply.arguments().at(1).toUInt();
    if (!windowById(out.list, out.list.focused)) out.list.focused = 0;
    return out;
}

// From an answer to WorkAreas, or the signal that tells them. An extension
// of an older version tells no scale.
std::optional<std::vector<CompositorScreen>> workAreasOf(const QDBusMessage& reply) {
    if (reply.type() == QDBusMessage::ErrorMessage || reply.arguments().isEmpty()) return std::nullopt;
    const auto list = reply.arguments().at(0).value<QDBusArgument>();
    if (list.currentType() != QDBusArgument::ArrayType) return std::nullopt;
    const bool scaled = reply.signature() == QLatin1String("a(iiiiiiiii)");
    std::vector<CompositorScreen> out;
    list.beginArray();
    while (!list.atEnd()) {
        int v[9] = {0, 0, 0, 0, 0, 0, 0, 0, 1};
        list.beginStructure();
        for (int i = 0; i < (scaled ? 9 : 8); ++i) list >> v[i];
        list.endStructure();
        out.push_back({{double(v[0]), double(v[1]), double(v[2]), double(v[3])},
                       {double(v[4]), double(v[5]), double(v[6]), double(v[7])},
                       std::max(v[8], 1)});
    }
    list.endArray();
    return out;
}

std::optional<CompositorInputSources> inputSourcesOf(const QDBusMessage& reply) {
    if (!answered(reply) || reply.arguments().size() < 2) return std::nullopt;
    const auto list = reply.arguments().at(0).value<QDBusArgument>();
    if (list.currentType() != QDBusArgument::ArrayType) return std::nullopt;
    CompositorInputSources out;
    list.beginArray();
    while (!list.atEnd()) {
        QString type, id, name;
        list.beginStructure();
        list >> type >> id >> name;
        list.endStructure();
        out.sources.push_back({inputSourceId({type.toStdString(), id.toStdString()}), name.toStdString()});
    }
    list.endArray();
    const int current = reply.arguments().at(1).toInt();
    out.current = current >= 0 && current < static_cast<int>(out.sources.size()) ? current : -1;
    return out;
}

} // namespace

CompositorWindow gnomeWindowOf(const QVariantMap& d) {
    CompositorWindow w;
    w.id = d.value(QStringLiteral("id")).toUInt();
    if (w.id == 0) return w;
    bool known = false;
    const int pid = d.value(QStringLiteral("pid")).toInt(&known);
    w.pid = known && pid > 0 ? pid : -1;
    const bool x11 = d.value(QStringLiteral("x11")).toBool();
    QString appId = d.value(QStringLiteral("app_id")).toString();
    if (appId.endsWith(QLatin1String(".desktop"))) appId.chop(8);
    const QString wmClass = d.value(QStringLiteral("wm_class")).toString();
    // A Wayland window's class is its app id.
    if (appId.isEmpty() && !x11) appId = wmClass;
    w.appId = appId.toStdString();
    if (x11) {
        w.wmClass = wmClass.toStdString();
        w.wmInstance = d.value(QStringLiteral("wm_class_instance")).toString().toStdString();
    }
    w.fullScreen = d.value(QStringLiteral("fullscreen")).toBool();
    w.geometry = {d.value(QStringLiteral("x")).toDouble(), d.value(QStringLiteral("y")).toDouble(),
                  d.value(QStringLiteral("width")).toDouble(), d.value(QStringLiteral("height")).toDouble()};
    return w;
}

std::optional<CompositorWindow> gnomeWindowAt(const GnomeWindows& windows, platform::Point point) {
    const auto& all = windows.list.windows;
    for (std::size_t i = all.size(); i-- > 0;)
        if ((i >= windows.shown.size() || windows.shown[i]) && all[i].geometry.contains(point)) return all[i];
    return std::nullopt;
}

GnomeShellWindows::GnomeShellWindows(platform::RunLoop& loop, Options options)
    : CachedWindows(loop), loop_(loop), options_(std::move(options)),
      bus_(std::make_unique<ServiceBus>(options_.sessionBus, BusKind::Session, QStringLiteral("corv-gnome-shell-"))) {
    if (!bus_->isConnected()) return;
    // Told to us alone, whatever we listen to: heard before the name is asked for.
    bus_->connect(kBus, kBusPath, kBus, QStringLiteral("NameAcquired"), this, SLOT(onNameAcquired(QString)));
    bus_->connect(kBus, kBusPath, kBus, QStringLiteral("NameLost"), this, SLOT(onNameLost(QString)));
    requestName();
    // The next copy has the name at once, not after this one's teardown.
    if (auto* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &GnomeShellWindows::releaseName);
    owners_ = std::make_unique<QDBusServiceWatcher>(kService, *bus_, QDBusServiceWatcher::WatchForOwnerChange);
    owners_->addWatchedService(kShell);
    owners_->addWatchedService(QString::fromLatin1(kGnomeProgramName));
    connect(owners_.get(), &QDBusServiceWatcher::serviceOwnerChanged, this, &GnomeShellWindows::onOwnerChanged);
    // From any sender: each is checked.
    bus_->connect(QString(), kPath, kInterface, QStringLiteral("WindowsChanged"), this,
                  SLOT(onWindowsChanged(QDBusMessage)));
    bus_->connect(QString(), kPath, kInterface, QStringLiteral("InputSourcesChanged"), this,
                  SLOT(onInputSourcesChanged(QDBusMessage)));
    bus_->connect(QString(), kPath, kInterface, QStringLiteral("WorkAreasChanged"), this,
                  SLOT(onWorkAreasChanged(QDBusMessage)));
    bus_->connect(QString(), kPath, kInterface, QStringLiteral("LeftWindow"), this,
                  SLOT(onLeftWindow(QDBusMessage)));
    trust(ownerOf(*bus_, kService), ownerOf(*bus_, kShell));
    if (!present_) cache_.setInputSources(settings_.read());
    settings_.watch([this](bool) {
        if (!present_) cache_.setInputSources(settings_.read());
    });
    if (traceEnabled()) trace(present_ ? "gnome-shell: extension present" : "gnome-shell: extension missing");
    // At an unlock GNOME turns the extensions on again.
    screenSaver_ = std::make_unique<GnomeScreenSaver>(*bus_, [this](bool active) {
        if (!active && !present_) awaitExtension();
    });
    loop_.post([this, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.lock()) tellUnlessLocked();
    });
}

GnomeShellWindows::~GnomeShellWindows() {
    *alive_ = false;
    loop_.cancel(grace_);
    screenSaver_.reset();
    owners_.reset();
    loop_.cancel(nameWait_);
    if (bus_ && bus_->isConnected()) {
        bus_->disconnect(kBus, kBusPath, kBus, QStringLiteral("NameAcquired"), this, SLOT(onNameAcquired(QString)));
        bus_->disconnect(kBus, kBusPath, kBus, QStringLiteral("NameLost"), this, SLOT(onNameLost(QString)));
        bus_->disconnect(QString(), kPath, kInterface, QStringLiteral("WindowsChanged"), this,
                         SLOT(onWindowsChanged(QDBusMessage)));
        bus_->disconnect(QString(), kPath, kInterface, QStringLiteral("InputSourcesChanged"), this,
                         SLOT(onInputSourcesChanged(QDBusMessage)));
        bus_->disconnect(QString(), kPath, kInterface, QStringLiteral("WorkAreasChanged"), this,
                         SLOT(onWorkAreasChanged(QDBusMessage)));
        bus_->disconnect(QString(), kPath, kInterface, QStringLiteral("LeftWindow"), this,
                         SLOT(onLeftWindow(QDBusMessage)));
    }
}

unsigned GnomeShellWindows::capabilities() const {
    using C = CompositorCapability;
    auto bit = [](C c) { return static_cast<unsigned>(c); };
    if (present_)
        return bit(C::WindowUnderPointer) | bit(C::Desktops) | bit(C::FullScreen) | bit(C::Maximize) |
               bit(C::Activate) | bit(C::InputSources);
    unsigned out = bit(C::InputSources);
    if (options_.fallback.desktops) out |= bit(C::Desktops);
    return out;
}

void GnomeShellWindows::trust(const QString& extensionOwner, const QString& shellOwner) {
    extensionOwner_ = extensionOwner;
    shellOwner_ = shellOwner;
    const QString trusted = !extensionOwner.isEmpty() && extensionOwner == shellOwner ? extensionOwner : QString();
    if (!extensionOwner.isEmpty() && trusted.isEmpty() && traceEnabled())
        trace("gnome-shell: the extension's name is held by another program");
    if (trusted == trusted_) return;
    trusted_ = trusted;
    present_ = !trusted.isEmpty();
    forget();
    if (!present_) return;
    refresh();
    refreshInputSources();
}

bool GnomeShellWindows::fromExtension(const QDBusMessage& message) const {
    return present_ && message.service() == trusted_;
}

QDBusMessage GnomeShellWindows::message(const char* method, const QList<QVariant>& args) const {
    auto m = QDBusMessage::createMethodCall(trusted_, kPath, kInterface, QString::fromLatin1(method));
    m.setArguments(args);
    return m;
}

void GnomeShellWindows::ask(const char* method, const QList<QVariant>& args,
                            std::function<void(const QDBusMessage&)> then) {
    cache_.asking();
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(message(method, args)), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, from = trusted_, then = std::move(then)] {
        watcher->deleteLater();
        if (from != trusted_) return;
        const QDBusMessage reply = watcher->reply();
        if (then) then(reply);
        // One the bus gave up on: asked again until an answer comes.
        if (timedOut(reply)) return ask("Workspaces", {});
        const bool wasStale = cache_.stale();
        cache_.answered();
        if (!wasStale) return;
        if (traceEnabled()) trace("gnome-shell: the extension answers again");
        refresh();
        refreshInputSources();
    });
}

bool GnomeShellWindows::send(const char* method, const QList<QVariant>& args) {
    if (!present_ || cache_.stale()) return false;
    ask(method, args);
    return true;
}

void GnomeShellWindows::refresh() {
    if (!present_) return;
    if (fetching_) {
        fetchAgain_ = true;
        return;
    }
    fetching_ = true;
    ask("Windows", {}, [this](const QDBusMessage& reply) {
        fetching_ = false;
        if (std::exchange(fetchAgain_, false)) return refresh();
        take(windowsOf(reply), std::nullopt, std::nullopt);
    });
    const auto pair = [](const QDBusMessage& reply) {
        return answered(reply) && reply.arguments().size() >= 2
                   ? std::optional(std::pair{reply.arguments().at(0), reply.arguments().at(1)})
                   : std::nullopt;
    };
    ask("Workspaces", {}, [this, pair](const QDBusMessage& reply) {
        if (const auto p = pair(reply)) take(std::nullopt, std::nullopt, CompositorDesktops{p->first.toInt(), p->second.toInt()});
    });
    ask("Pointer", {}, [this, pair](const QDBusMessage& reply) {
        if (const auto p = pair(reply)) take(std::nullopt, platform::Point{p->first.toDouble(), p->second.toDouble()}, std::nullopt);
    });
    ask("WorkAreas", {}, [this](const QDBusMessage& reply) { takeWorkAreas(reply); });
}

void GnomeShellWindows::forget() {
    {
        std::lock_guard lock(mutex_);
        shown_.clear();
        pointer_.reset();
        workAreas_.clear();
        selected_.reset();
    }
    fetching_ = fetchAgain_ = false;
    cache_.forget();
    if (!present_) cache_.setInputSources(settings_.read());
}

std::optional<platform::Point> GnomeShellWindows::pointer() {
    if (!present_ || cache_.stale()) return std::nullopt;
    std::lock_guard lock(mutex_);
    return pointer_;
}

std::optional<CompositorWindow> GnomeShellWindows::windowAt(platform::Point point) {
    if (!present_ || cache_.stale()) return std::nullopt;
    GnomeWindows known{cache_.windows(), {}};
    {
        std::lock_guard lock(mutex_);
        known.shown = shown_;
    }
    return gnomeWindowAt(known, point);
}

bool GnomeShellWindows::activate(CompositorWindowId id) { return id != 0 && send("ActivateWindow", {id}); }

bool GnomeShellWindows::setFullScreen(CompositorWindowId id, bool on) {
    return id != 0 && send("SetWindowState", {id, QStringLiteral("fullscreen"), on ? On : Off});
}

bool GnomeShellWindows::toggleMaximized(CompositorWindowId id) {
    return id != 0 && send("SetWindowState", {id, QStringLiteral("maximized"), Toggle});
}

std::optional<CompositorDesktops> GnomeShellWindows::desktops() {
    if (!present_) return options_.fallback.desktops ? options_.fallback.desktops() : std::nullopt;
    return cache_.desktops();
}

bool GnomeShellWindows::switchDesktop(int step) {
    if (!present_) return options_.fallback.switchDesktop && options_.fallback.switchDesktop(step);
    const auto known = desktops();
    if (!known) return false;
    const int next = known->current + step;
    if (next < 0 || next >= known->count) return false;
    return send("SwitchWorkspace", {step});
}

std::optional<CompositorInputSources> GnomeShellWindows::inputSources() {
    auto sources = cache_.inputSources();
    std::lock_guard lock(mutex_);
    if (sources && selected_) sources->current = *selected_;
    return sources;
}

bool GnomeShellWindows::selectInputSource(const std::string& id) {
    // GNOME Shell reads the settings' choice only at its start.
    if (!present_) return false;
    const auto known = inputSources();
    if (!known) return false;
    const auto it = std::find_if(known->sources.begin(), known->sources.end(),
                                 [&](const CompositorInputSource& s) { return s.id == id; });
    if (it == known->sources.end()) return false;
    const auto [type, gnomeId] = gnomeSource(id);
    if (!send("SelectInputSource", {QString::fromStdString(type), QString::fromStdString(gnomeId)})) return false;
    // A next step before the shell tells the change steps on from here.
    std::lock_guard lock(mutex_);
    selected_ = static_cast<int>(it - known->sources.begin());
    return true;
}

bool GnomeShellWindows::nextInputSource() {
    const auto known = inputSources();
    if (!known || known->sources.empty()) return false;
    const auto next = static_cast<std::size_t>(known->current + 1) % known->sources.size();
    return selectInputSource(known->sources[next].id);
}

std::optional<CompositorScreen> GnomeShellWindows::screenAt(platform::Point point) {
    if (!present_ || cache_.stale()) return std::nullopt;
    std::lock_guard lock(mutex_);
    for (const auto& screen : workAreas_)
        if (screen.monitor.contains(point)) return screen;
    return std::nullopt;
}

bool GnomeShellWindows::placeOwnWindow(const std::string& title, platform::Rect frame) {
    return send("PlaceWindow", {QString::fromStdString(title), static_cast<int>(std::lround(frame.x)),
                                static_cast<int>(std::lround(frame.y))});
}

void GnomeShellWindows::watchClicksOutside(const std::string& title, std::function<void()> clicked) {
    clicksTitle_ = title;
    clickedOutside_ = std::move(clicked);
}

void GnomeShellWindows::refreshInputSources() {
    if (!present_) return;
    ask("InputSources", {}, [this](const QDBusMessage& reply) {
        const auto sources = inputSourcesOf(reply);
        if (!sources) return;
        {
            std::lock_guard lock(mutex_);
            selected_.reset();
        }
        cache_.setInputSources(sources);
    });
}

void GnomeShellWindows::onWindowsChanged(const QDBusMessage& signal) {
    if (!fromExtension(signal)) return;
    // Told to the name's owner alone: the extension knows us now, and answers
    // what it may have refused just before.
    if (ownsName_ && !std::exchange(told_, true)) refreshInputSources();
    // An extension of this version tells all; an older one only that something changed.
    if (signal.signature() != QLatin1String("aa{sv}uiiii")) return refresh();
    const QList<QVariant> state = signal.arguments();
    take(windowsOf(signal), platform::Point{state.at(2).toDouble(), state.at(3).toDouble()},
         CompositorDesktops{state.at(4).toInt(), state.at(5).toInt()});
}

void GnomeShellWindows::take(std::optional<GnomeWindows> windows, std::optional<platform::Point> pointer,
                             std::optional<CompositorDesktops> desktops) {
    if (desktops) cache_.setDesktops(desktops);
    {
        std::lock_guard lock(mutex_);
        if (pointer) pointer_ = pointer;
        if (windows) shown_ = windows->shown;
    }
    if (windows) cache_.setWindows(windows->list);
}

void GnomeShellWindows::onInputSourcesChanged(const QDBusMessage& signal) {
    if (fromExtension(signal)) refreshInputSources();
}

void GnomeShellWindows::onWorkAreasChanged(const QDBusMessage& signal) {
    if (fromExtension(signal)) takeWorkAreas(signal);
}

void GnomeShellWindows::takeWorkAreas(const QDBusMessage& message) {
    auto areas = workAreasOf(message);
    if (!areas) return;
    std::lock_guard lock(mutex_);
    workAreas_ = std::move(*areas);
}

// The user pressed outside the window, or another program's took the focus,
// or the overview showed; the pointer is where it was, for the watcher to read.
void GnomeShellWindows::onLeftWindow(const QDBusMessage& signal) {
    const QList<QVariant> press = signal.arguments();
    if (!fromExtension(signal) || press.size() < 3 || press.at(0).toString().toStdString() != clicksTitle_) return;
    take(std::nullopt, platform::Point{press.at(1).toDouble(), press.at(2).toDouble()}, std::nullopt);
    if (clickedOutside_) clickedOutside_();
}

void GnomeShellWindows::onOwnerChanged(const QString& name, const QString&, const QString& newOwner) {
    if (name == QLatin1String(kGnomeProgramName)) return holderChanged(newOwner);
    const bool was = present_;
    if (name == kShell) trust(extensionOwner_, newOwner);
    else trust(newOwner, shellOwner_);
    if (was == present_) return;
    if (traceEnabled()) trace(present_ ? "gnome-shell: extension appeared" : "gnome-shell: extension gone");
    if (!present_) return awaitExtension();
    loop_.cancel(std::exchange(grace_, 0));
    // Each time it goes, the user is told again.
    if (std::exchange(noticeGiven_, false) && options_.withdraw) options_.withdraw();
    noticeNameHeld();
}

void GnomeShellWindows::awaitExtension() {
    loop_.cancel(grace_);
    grace_ = loop_.postAfter(kExtensionGrace, [this] {
        grace_ = 0;
        tellUnlessLocked();
    });
}

void GnomeShellWindows::tellUnlessLocked() {
    if (present_ || noticeGiven_ || !options_.notify || !screenSaver_) return;
    screenSaver_->ask([this](bool locked) {
        if (!locked) offerExtension();
    });
}

void GnomeShellWindows::offerExtension() {
    if (present_ || noticeGiven_ || !options_.notify) return;
    const QString folder =
        options_.extensionFolder.isEmpty() ? gnomeExtensionFolder() : options_.extensionFolder;
    // The shell's own word on the extension and its version, asked without waiting.
    auto info = QDBusMessage::createMethodCall(QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
                                               QStringLiteral("org.gnome.Shell.Extensions"),
                                               QStringLiteral("GetExtensionInfo"));
    info << QString::fromLatin1(kGnomeExtensionUuid);
    auto version = QDBusMessage::createMethodCall(QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
                                                  QStringLiteral("org.freedesktop.DBus.Properties"),
                                                  QStringLiteral("Get"));
    version << QStringLiteral("org.gnome.Shell") << QStringLiteral("ShellVersion");
    auto* infoWatcher = new QDBusPendingCallWatcher(bus_->asyncCall(info, 2000), this);
    auto* versionWatcher = new QDBusPendingCallWatcher(bus_->asyncCall(version, 2000), this);
    auto pending = std::make_shared<int>(2);
    auto finish = [this, folder, infoWatcher, versionWatcher, pending] {
        if (--*pending > 0) return;
        infoWatcher->deleteLater();
        versionWatcher->deleteLater();
        if (present_ || noticeGiven_) return;
        std::optional<double> state;
        const QVariantMap details = infoWatcher->isError() ? QVariantMap{} : mapOf(infoWatcher->reply().arguments().value(0));
        if (details.contains(QStringLiteral("state"))) state = details.value(QStringLiteral("state")).toDouble();
        int major = 0;
        if (!versionWatcher->isError()) {
            const QVariant value = versionWatcher->reply().arguments().value(0).value<QDBusVariant>().variant();
            major = value.toString().section(QLatin1Char('.'), 0, 0).toInt();
        }
        // The form this shell loads, over any other; none for a shell it does not run on.
        const auto form = gnomeExtensionForm(major);
        const ExtensionCopy copy = form ? installGnomeExtension(folder, *form) : ExtensionCopy::Current;
        const auto notice = extensionNotice(extensionStateOf(state), copy, major, folder);
        if (!notice) return;
        noticeGiven_ = true;
        // Under the same id, it replaces the holder's.
        holderNoticed_ = false;
        options_.notify(*notice);
    };
    connect(infoWatcher, &QDBusPendingCallWatcher::finished, this, finish);
    connect(versionWatcher, &QDBusPendingCallWatcher::finished, this, finish);
}

void GnomeShellWindows::requestName() {
    auto request = QDBusMessage::createMethodCall(kBus, kBusPath, kBus, QStringLiteral("RequestName"));
    // Queued behind a holder (an older copy on its way out); none may take it from us.
    request << QString::fromLatin1(kGnomeProgramName) << 0u;
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(request), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusMessage reply = watcher->reply();
        const uint result = answered(reply) ? reply.arguments().value(0).toUInt() : 0;
        if (result == 1 || result == 4) return ownName(true);  // the owner now, or already
        if (ownsName_ || nameWait_ != 0) return;
        if (result != 2) {  // not even queued
            if (traceEnabled()) trace("gnome-shell: the bus refuses the program's name");
            return;
        }
        if (traceEnabled()) trace("gnome-shell: the program's name is held; queued for it");
        awaitHolder();
    });
}

void GnomeShellWindows::awaitHolder() {
    loop_.cancel(nameWait_);
    nameWait_ = loop_.postAfter(kNameWait, [this] {
        nameWait_ = 0;
        if (!ownsName_) describeHolder();
    });
}

void GnomeShellWindows::onNameAcquired(const QString& name) {
    if (name == QLatin1String(kGnomeProgramName)) ownName(true);
}

void GnomeShellWindows::onNameLost(const QString& name) {
    if (name == QLatin1String(kGnomeProgramName)) ownName(false);
}

void GnomeShellWindows::ownName(bool owned) {
    if (owned == ownsName_ || leaving_) return;
    ownsName_ = owned;
    told_ = false;
    // Lost: queued again.
    if (!owned) return requestName();
    loop_.cancel(std::exchange(nameWait_, 0));
    if (traceEnabled()) trace("gnome-shell: the program's name is ours");
    if (std::exchange(holder_, std::nullopt)) std::fprintf(stderr, "corvadine: %s is ours now\n", kGnomeProgramName);
    // The holder's notice goes, the extension there or not; one that the
    // extension's own replaced stands.
    withdrawHolderNotice();
    refresh();
    refreshInputSources();
}

void GnomeShellWindows::releaseName() {
    if (leaving_ || !bus_->isConnected()) return;
    leaving_ = true;
    loop_.cancel(std::exchange(nameWait_, 0));
    auto release = QDBusMessage::createMethodCall(kBus, kBusPath, kBus, QStringLiteral("ReleaseName"));
    release << QString::fromLatin1(kGnomeProgramName);
    // Sent by QtDBus's own thread, whatever holds this one.
    bus_->asyncCall(release);
    if (traceEnabled()) trace("gnome-shell: the program's name is given up");
}

void GnomeShellWindows::holderChanged(const QString& owner) {
    // Ours, gone with its last holder, or asked for and not yet answered.
    if (ownsName_ || leaving_ || owner.isEmpty() || owner == bus_->baseService() || (nameWait_ == 0 && !holder_))
        return;
    if (traceEnabled()) trace("gnome-shell: the program's name has another holder");
    holder_.reset();
    withdrawHolderNotice();
    awaitHolder();
}

void GnomeShellWindows::withdrawHolderNotice() {
    if (std::exchange(holderNoticed_, false) && options_.withdraw) options_.withdraw();
}

void GnomeShellWindows::describeHolder() {
    auto call = QDBusMessage::createMethodCall(kBus, kBusPath, kBus, QStringLiteral("GetConnectionUnixProcessID"));
    call << QString::fromLatin1(kGnomeProgramName);
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(call, 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        if (ownsName_ || holder_ || leaving_) return;
        const QDBusMessage reply = watcher->reply();
        const uint pid = answered(reply) ? reply.arguments().value(0).toUInt() : 0;
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        const std::string command = pid != 0 && comm.open(QIODevice::ReadOnly) ? comm.readAll().trimmed().toStdString() : "";
        holder_ = pid == 0 ? "another program"
                           : "process " + std::to_string(pid) + (command.empty() ? "" : " (" + command + ")");
        std::fprintf(stderr,
                     "corvadine: %s holds %s on the session bus; the application in front is unknown until it lets it go\n",
                     holder_->c_str(), kGnomeProgramName);
        noticeNameHeld();
    });
}

void GnomeShellWindows::noticeNameHeld() {
    // Without the extension its own notice stands.
    if (!holder_ || ownsName_ || !present_ || holderNoticed_ || !options_.notify) return;
    holderNoticed_ = true;
    options_.notify(nameHeldNotice(kGnomeProgramName, *holder_));
}

} // namespace corv::desktop
