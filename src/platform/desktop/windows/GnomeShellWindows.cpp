#include "platform/desktop/windows/GnomeShellWindows.h"

#include "platform/desktop/bus/BusProbe.h"
#include "platform/desktop/shell/DesktopTrace.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include <algorithm>

namespace corv::desktop {

namespace {

const QString kService = QString::fromLatin1(kGnomeShellService);
const QString kPath = QString::fromLatin1(kGnomeShellPath);
const QString kInterface = QString::fromLatin1(kGnomeShellInterface);

// How long a stuck extension is left before it is asked again.
constexpr double kProbeInterval = 1.0;

enum StateAction { Off = 0, On = 1, Toggle = 2 };

QVariantMap mapOf(const QVariant& value) { return qdbus_cast<QVariantMap>(value); }

bool answered(const QDBusMessage& reply) { return reply.type() == QDBusMessage::ReplyMessage; }

bool timedOut(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ErrorMessage &&
           (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
            reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.Timeout"));
}

bool firstBool(const QDBusMessage& reply) {
    return answered(reply) && !reply.arguments().isEmpty() && reply.arguments().front().toBool();
}

std::optional<GnomeWindows> windowsOf(const QDBusMessage& reply) {
    if (!answered(reply) || reply.arguments().size() < 2) return std::nullopt;
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
    : loop_(loop), options_(std::move(options)),
      bus_(std::make_unique<ServiceBus>(options_.sessionBus, BusKind::Session, QStringLiteral("corv-gnome-shell-"))) {
    if (!bus_->isConnected()) return;
    owner_ = std::make_unique<QDBusServiceWatcher>(kService, *bus_, QDBusServiceWatcher::WatchForOwnerChange);
    connect(owner_.get(), &QDBusServiceWatcher::serviceOwnerChanged, this, &GnomeShellWindows::onOwnerChanged);
    bus_->connect(kService, kPath, kInterface, QStringLiteral("WindowsChanged"), this, SLOT(onWindowsChanged()));
    bus_->connect(kService, kPath, kInterface, QStringLiteral("InputSourcesChanged"), this,
                  SLOT(onInputSourcesChanged(bool)));
    auto has = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                              QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    has << kService;
    present_ = firstBool(bus_->call(has, QDBus::Block, static_cast<int>(kCompositorBound.count())));
    settings_.watch([this](bool list) {
        if (!present_) tellInputSources(list);
    });
    if (traceEnabled()) trace(present_ ? "gnome-shell: extension present" : "gnome-shell: extension missing");
    loop_.post([this, alive = std::weak_ptr<bool>(alive_)] {
        if (!alive.lock()) return;
        if (!present_) return offerExtension();
        refreshWindows();
        refreshInputSources(true);
    });
}

GnomeShellWindows::~GnomeShellWindows() {
    *alive_ = false;
    owner_.reset();
    if (bus_ && bus_->isConnected()) {
        bus_->disconnect(kService, kPath, kInterface, QStringLiteral("WindowsChanged"), this, SLOT(onWindowsChanged()));
        bus_->disconnect(kService, kPath, kInterface, QStringLiteral("InputSourcesChanged"), this,
                         SLOT(onInputSourcesChanged(bool)));
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

QDBusMessage GnomeShellWindows::message(const char* method, const QList<QVariant>& args) const {
    auto m = QDBusMessage::createMethodCall(kService, kPath, kInterface, QString::fromLatin1(method));
    m.setArguments(args);
    return m;
}

std::optional<QDBusMessage> GnomeShellWindows::call(const char* method, const QList<QVariant>& args) {
    if (!present_ || stuck_) return std::nullopt;
    const QDBusMessage reply = bus_->call(message(method, args), QDBus::Block, static_cast<int>(kCompositorBound.count()));
    if (timedOut(reply)) {
        if (!stuck_.exchange(true)) {
            if (traceEnabled()) trace("gnome-shell: the extension does not answer in time");
            loop_.postFromAnyThread([this, alive = std::weak_ptr<bool>(alive_)] {
                if (alive.lock()) probeStuck();
            });
        }
        return std::nullopt;
    }
    if (!answered(reply)) return std::nullopt;
    return reply;
}

bool GnomeShellWindows::send(const char* method, const QList<QVariant>& args) {
    if (!present_ || stuck_) return false;
    return bus_->send(message(method, args));
}

void GnomeShellWindows::probeStuck() {
    if (probing_) return;
    if (!present_) {
        stuck_ = false;
        return;
    }
    probing_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(message("Workspaces")), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        probing_ = false;
        // Any answer, an error too, says the extension takes calls again.
        if (!timedOut(watcher->reply()) || !present_) {
            stuck_ = false;
            refreshWindows();
            return;
        }
        loop_.postAfter(kProbeInterval, [this, alive = std::weak_ptr<bool>(alive_)] {
            if (alive.lock()) probeStuck();
        });
    });
}

std::optional<GnomeWindows> GnomeShellWindows::shellWindows() {
    const auto reply = call("Windows");
    return reply ? windowsOf(*reply) : std::nullopt;
}

CompositorWindowList GnomeShellWindows::windows() {
    const auto windows = shellWindows();
    return windows ? windows->list : CompositorWindowList{};
}

std::optional<platform::Point> GnomeShellWindows::pointer() {
    const auto reply = call("Pointer");
    if (!reply || reply->arguments().size() < 2) return std::nullopt;
    return platform::Point{reply->arguments().at(0).toDouble(), reply->arguments().at(1).toDouble()};
}

std::optional<CompositorWindow> GnomeShellWindows::windowAt(platform::Point point) {
    const auto windows = shellWindows();
    return windows ? gnomeWindowAt(*windows, point) : std::nullopt;
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
    const auto reply = call("Workspaces");
    if (!reply || reply->arguments().size() < 2) return std::nullopt;
    return CompositorDesktops{reply->arguments().at(0).toInt(), reply->arguments().at(1).toInt()};
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
    if (!present_) return settings_.read();
    const auto reply = call("InputSources");
    if (!reply) return std::nullopt;
    auto sources = inputSourcesOf(*reply);
    std::lock_guard lock(sourcesMutex_);
    sources_ = sources;
    return sources;
}

bool GnomeShellWindows::selectInputSource(const std::string& id) {
    // GNOME Shell reads the settings' choice only at its start.
    if (!present_) return false;
    std::optional<CompositorInputSources> known;
    {
        std::lock_guard lock(sourcesMutex_);
        known = sources_;
    }
    if (!known) known = inputSources();
    if (!known) return false;
    const auto it = std::find_if(known->sources.begin(), known->sources.end(),
                                 [&](const CompositorInputSource& s) { return s.id == id; });
    if (it == known->sources.end()) return false;
    const auto [type, gnomeId] = gnomeSource(id);
    if (!send("SelectInputSource", {QString::fromStdString(type), QString::fromStdString(gnomeId)})) return false;
    // A next step before the shell tells the change steps on from here.
    std::lock_guard lock(sourcesMutex_);
    if (sources_ && sources_->sources == known->sources)
        sources_->current = static_cast<int>(it - known->sources.begin());
    return true;
}

bool GnomeShellWindows::nextInputSource() {
    std::optional<CompositorInputSources> known;
    {
        std::lock_guard lock(sourcesMutex_);
        known = sources_;
    }
    if (!known || !present_) known = inputSources();
    if (!known || known->sources.empty()) return false;
    const auto next = static_cast<std::size_t>(known->current + 1) % known->sources.size();
    return selectInputSource(known->sources[next].id);
}

void GnomeShellWindows::refreshInputSources(bool list) {
    if (!present_) {
        {
            std::lock_guard lock(sourcesMutex_);
            sources_.reset();
        }
        tellInputSources(list);
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(message("InputSources")), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, list] {
        watcher->deleteLater();
        if (const auto sources = inputSourcesOf(watcher->reply())) {
            std::lock_guard lock(sourcesMutex_);
            sources_ = sources;
        }
        tellInputSources(list);
    });
}

CompositorWatchId GnomeShellWindows::watchWindows(std::function<void(const CompositorWindowList&)> changed) {
    const CompositorWatchId id = nextWatch_++;
    windowWatchers_[id] = std::move(changed);
    loop_.post([this, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.lock()) refreshWindows();
    });
    return id;
}

CompositorWatchId GnomeShellWindows::watchInputSources(std::function<void(bool list)> changed) {
    const CompositorWatchId id = nextWatch_++;
    sourceWatchers_[id] = std::move(changed);
    return id;
}

void GnomeShellWindows::unwatch(CompositorWatchId id) {
    windowWatchers_.erase(id);
    sourceWatchers_.erase(id);
}

void GnomeShellWindows::onWindowsChanged() { refreshWindows(); }



void GnomeShellWindows::onInputSourcesChanged(bool list) { refreshInputSources(list); }

void GnomeShellWindows::onOwnerChanged(const QString&, const QString&, const QString& newOwner) {
    present_ = !newOwner.isEmpty();
    stuck_ = false;
    {
        std::lock_guard lock(sourcesMutex_);
        sources_.reset();
    }
    if (traceEnabled()) trace(present_ ? "gnome-shell: extension appeared" : "gnome-shell: extension gone");
    refreshWindows();
    refreshInputSources(true);
}

void GnomeShellWindows::refreshWindows() {
    // A stuck extension's windows are fetched again once it answers.
    if (stuck_) return;
    if (!present_) {
        tellWindows({});
        return;
    }
    if (fetching_) {
        fetchAgain_ = true;
        return;
    }
    fetching_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(message("Windows")), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        fetching_ = false;
        const auto windows = windowsOf(watcher->reply());
        if (fetchAgain_) {
            fetchAgain_ = false;
            refreshWindows();
            return;
        }
        if (windows) tellWindows(windows->list);
    });
}

void GnomeShellWindows::tellWindows(const CompositorWindowList& list) {
    // Copied: a watcher may unwatch.
    auto watchers = windowWatchers_;
    for (const auto& [id, watcher] : watchers)
        if (windowWatchers_.count(id)) watcher(list);
}

void GnomeShellWindows::tellInputSources(bool list) {
    auto watchers = sourceWatchers_;
    for (const auto& [id, watcher] : watchers)
        if (sourceWatchers_.count(id)) watcher(list);
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
        options_.notify(*notice);
    };
    connect(infoWatcher, &QDBusPendingCallWatcher::finished, this, finish);
    connect(versionWatcher, &QDBusPendingCallWatcher::finished, this, finish);
}

} // namespace corv::desktop
