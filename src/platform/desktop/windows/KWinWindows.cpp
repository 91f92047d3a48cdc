#include "platform/desktop/windows/KWinWindows.h"

#include "platform/desktop/bus/BusProbe.h"
#include "platform/desktop/shell/DesktopTrace.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QTemporaryDir>

#include <set>
#include <unistd.h>

namespace corv::desktop {

namespace {

const QString kKWin = QStringLiteral("org.kde.KWin");
const QString kScripting = QStringLiteral("org.kde.kwin.Scripting");
const QString kKeyboard = QStringLiteral("org.kde.keyboard");
const QString kLayouts = QStringLiteral("/Layouts");
const QString kLayoutsInterface = QStringLiteral("org.kde.KeyboardLayouts");
// KWin's window ids are UUIDs: a report names at most this many windows.
constexpr int kMaxWindows = 4096;
// A KWin that has just taken its name may not offer its scripting yet.
constexpr int kLoadTries = 25;
constexpr double kLoadRetry = 0.2;
const QString kMainPlugin = QStringLiteral("corvadine-windows-%1").arg(::getpid());

// KWin's window ids are UUIDs in braces; anything else would be code in the
// scripts that name a window.
bool plainId(const QString& id) {
    if (id.isEmpty() || id.size() > 64) return false;
    for (const QChar c : id)
        if (!(c.isDigit() || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F') || c == u'{' || c == u'}' ||
              c == u'-'))
            return false;
    return true;
}

struct Layout {
    QString shortName, variant, longName;
};

const QDBusArgument& operator>>(const QDBusArgument& in, Layout& layout) {
    in.beginStructure();
    in >> layout.shortName >> layout.variant >> layout.longName;
    in.endStructure();
    return in;
}

} // namespace

class KWinWindows::Link final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.brelvantoque.Corvadine.KWinWindows")

public:
    explicit Link(const QString& sessionBus)
        : bus(sessionBus, BusKind::Session, QStringLiteral("corv-kwin-")) {}

    ServiceBus bus;
    QTemporaryDir scripts;
    KWinWindows* owner = nullptr;
    QString mainScript;
    QDBusServiceWatcher watcher;

    void call(const QString& service, const QString& path, const QString& interface, const QString& method,
              const QVariantList& args = {}) {
        auto message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(args);
        bus.asyncCall(message);
    }

    // Loads and starts a script file under a plugin name.
    void runScript(const QString& file, const QString& plugin) {
        call(kKWin, QStringLiteral("/Scripting"), kScripting, QStringLiteral("unloadScript"), {plugin});
        call(kKWin, QStringLiteral("/Scripting"), kScripting, QStringLiteral("loadScript"), {file, plugin});
        call(kKWin, QStringLiteral("/Scripting"), kScripting, QStringLiteral("start"));
    }

public slots:
    Q_SCRIPTABLE void Report(const QString& json) {
        if (owner) owner->report(json.toUtf8());
    }
    void layoutsChanged() {
        if (owner) owner->readLayouts();
    }
    // A KWin that restarts runs our script again; one gone tells nothing.
    void ownerChanged(const QString& name, const QString&, const QString& now) {
        if (!owner) return;
        if (name == kKeyboard) {
            owner->readLayouts();
            return;
        }
        if (now.isEmpty()) owner->forget();
        else owner->runMainScript(kLoadTries);
    }
};

std::unique_ptr<KWinWindows> KWinWindows::open(platform::RunLoop& loop, const QString& sessionBus) {
    auto link = std::make_unique<Link>(sessionBus);
    if (!link->bus.isConnected() || !link->scripts.isValid()) return nullptr;
    QFile resource(QStringLiteral(":/compositor/kwin/windows.js"));
    if (!resource.open(QIODevice::ReadOnly)) return nullptr;
    QByteArray text = resource.readAll();
    text.replace("%SERVICE%", link->bus.baseService().toUtf8());
    const QString file = link->scripts.filePath(QStringLiteral("windows.js"));
    QFile script(file);
    if (!script.open(QIODevice::WriteOnly) || script.write(text) != text.size()) return nullptr;
    script.close();
    if (!link->bus.registerObject(QStringLiteral("/KWinWindows"), link.get(), QDBusConnection::ExportScriptableSlots))
        return nullptr;
    link->mainScript = file;
    link->watcher.setConnection(link->bus);
    link->watcher.setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    link->watcher.addWatchedService(kKWin);
    link->watcher.addWatchedService(kKeyboard);
    QObject::connect(&link->watcher, &QDBusServiceWatcher::serviceOwnerChanged, link.get(), &Link::ownerChanged);
    auto windows = std::unique_ptr<KWinWindows>(new KWinWindows(loop, std::move(link)));
    windows->runMainScript(kLoadTries);
    return windows;
}

KWinWindows::KWinWindows(platform::RunLoop& loop, std::unique_ptr<Link> link)
    : loop_(loop), cache_(loop), link_(std::move(link)) {
    link_->owner = this;
    for (const char* signal : {"layoutChanged", "layoutListChanged"})
        link_->bus.connect(kKeyboard, kLayouts, kLayoutsInterface, QString::fromLatin1(signal), link_.get(),
                           SLOT(layoutsChanged()));
    readLayouts();
}

KWinWindows::~KWinWindows() {
    link_->owner = nullptr;
    link_->call(kKWin, QStringLiteral("/Scripting"), kScripting, QStringLiteral("unloadScript"),
                {kMainPlugin});
}
void KWinWindows::runMainScript(int triesLeft) {
    link_->call(kKWin, QStringLiteral("/Scripting"), kScripting, QStringLiteral("unloadScript"), {kMainPlugin});
    auto load = QDBusMessage::createMethodCall(kKWin, QStringLiteral("/Scripting"), kScripting, QStringLiteral("loadScript"));
    load << link_->mainScript << kMainPlugin;
    auto* loading = new QDBusPendingCallWatcher(link_->bus.asyncCall(load), link_.get());
    QObject::connect(loading, &QDBusPendingCallWatcher::finished, link_.get(), [this, triesLeft](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        QDBusPendingReply<int> reply = *call;
        if (reply.isValid() && reply.value() >= 0) {
            link_->call(kKWin, QStringLiteral("/Scripting"), kScripting, QStringLiteral("start"));
            return;
        }
        if (triesLeft <= 1) {
            if (traceEnabled()) trace("kwin: our script does not load");
            return;
        }
        // Posted tasks find this gone with the link, whose death ends them.
        loop_.postAfter(kLoadRetry, [weak = QPointer<Link>(link_.get()), triesLeft] {
            if (weak && weak->owner) weak->owner->runMainScript(triesLeft - 1);
        });
    });
}

unsigned KWinWindows::capabilities() const {
    return static_cast<unsigned>(CompositorCapability::WindowUnderPointer) |
           static_cast<unsigned>(CompositorCapability::Desktops) |
           static_cast<unsigned>(CompositorCapability::FullScreen) |
           static_cast<unsigned>(CompositorCapability::Maximize) |
           static_cast<unsigned>(CompositorCapability::Activate) |
           static_cast<unsigned>(CompositorCapability::InputSources);
}

void KWinWindows::report(const QByteArray& json) {
    const QJsonObject state = QJsonDocument::fromJson(json).object();
    if (state.isEmpty()) return;
    const QJsonArray all = state.value(QLatin1String("windows")).toArray();
    if (all.size() > kMaxWindows) return;
    CompositorWindowList list;
    std::set<QString> seen;
    std::set<CompositorWindowId> maximized;
    const auto idOf = [&](const QString& uuid) -> CompositorWindowId {
        if (uuid.isEmpty()) return 0;
        auto [it, added] = ids_.emplace(uuid, nextId_);
        if (added) {
            uuids_[nextId_] = uuid;
            ++nextId_;
        }
        return it->second;
    };
    for (const auto value : all) {
        const QJsonObject o = value.toObject();
        const QString uuid = o.value(QLatin1String("id")).toString();
        if (!plainId(uuid) || !seen.insert(uuid).second) continue;
        CompositorWindow w;
        w.id = idOf(uuid);
        w.appId = o.value(QLatin1String("appId")).toString().toStdString();
        w.wmClass = o.value(QLatin1String("wmClass")).toString().toStdString();
        w.wmInstance = o.value(QLatin1String("wmInstance")).toString().toStdString();
        const qint64 pid = o.value(QLatin1String("pid")).toInteger(-1);
        w.pid = pid > 0 && pid <= std::numeric_limits<std::int32_t>::max() ? static_cast<std::int32_t>(pid) : -1;
        w.fullScreen = o.value(QLatin1String("fullScreen")).toBool();
        if (o.value(QLatin1String("maximized")).toBool()) maximized.insert(w.id);
        w.geometry = platform::Rect{o.value(QLatin1String("x")).toDouble(), o.value(QLatin1String("y")).toDouble(),
                                    o.value(QLatin1String("width")).toDouble(),
                                    o.value(QLatin1String("height")).toDouble()};
        list.windows.push_back(std::move(w));
    }
    // Windows gone lose their ids.
    for (auto it = ids_.begin(); it != ids_.end();) {
        if (seen.count(it->first)) {
            ++it;
            continue;
        }
        uuids_.erase(it->second);
        it = ids_.erase(it);
    }
    const auto known = [&](const QString& key) {
        auto it = ids_.find(state.value(key).toString());
        return it == ids_.end() ? CompositorWindowId{0} : it->second;
    };
    list.focused = known(QStringLiteral("active"));
    maximized_ = std::move(maximized);
    {
        std::lock_guard lock(mutex_);
        under_ = known(QStringLiteral("under"));
        if (state.contains(QLatin1String("x")))
            pointer_ = platform::Point{state.value(QLatin1String("x")).toDouble(), state.value(QLatin1String("y")).toDouble()};
    }
    const int desktop = state.value(QLatin1String("desktop")).toInt(-1);
    const int count = state.value(QLatin1String("desktops")).toInt(0);
    cache_.setDesktops(desktop >= 0 && desktop < count ? std::optional(CompositorDesktops{desktop, count}) : std::nullopt);
    cache_.setWindows(std::move(list));
}

void KWinWindows::forget() {
    ids_.clear();
    uuids_.clear();
    maximized_.clear();
    {
        std::lock_guard lock(mutex_);
        pointer_.reset();
        under_ = 0;
    }
    cache_.setDesktops(std::nullopt);
    cache_.setWindows({});
}

std::optional<platform::Point> KWinWindows::pointer() {
    std::lock_guard lock(mutex_);
    return pointer_;
}

std::optional<CompositorWindow> KWinWindows::windowAt(platform::Point) {
    CompositorWindowId under = 0;
    {
        std::lock_guard lock(mutex_);
        under = under_;
    }
    return windowById(cache_.windows(), under);
}

bool KWinWindows::onWindow(CompositorWindowId window, const QString& body) {
    auto it = uuids_.find(window);
    if (it == uuids_.end()) return false;
    const QString plugin = QStringLiteral("corvadine-command-%1-%2").arg(::getpid()).arg(++commands_);
    const QString file = link_->scripts.filePath(plugin + QStringLiteral(".js"));
    QFile script(file);
    if (!script.open(QIODevice::WriteOnly)) return false;
    // The script finds the window, acts on it and unloads itself.
    script.write(QStringLiteral("const plasma6 = typeof workspace.windowList === 'function';\n"
                                "for (const w of plasma6 ? workspace.windowList() : workspace.clientList())\n"
                                "    if (String(w.internalId) == '%1') { %2 }\n"
                                "callDBus('org.kde.KWin', '/Scripting', 'org.kde.kwin.Scripting', 'unloadScript', '%3');\n")
                     .arg(it->second, body, plugin)
                     .toUtf8());
    script.close();
    link_->runScript(file, plugin);
    if (traceEnabled()) trace(("kwin: " + body.toStdString()).c_str());
    return true;
}

bool KWinWindows::activate(CompositorWindowId window) {
    return onWindow(window, QStringLiteral("if (plasma6) workspace.activeWindow = w; else workspace.activeClient = w;"));
}

bool KWinWindows::setFullScreen(CompositorWindowId window, bool on) {
    return onWindow(window, QStringLiteral("w.fullScreen = %1;").arg(on ? "true" : "false"));
}

bool KWinWindows::toggleMaximized(CompositorWindowId window) {
    const char* on = maximized_.count(window) ? "false" : "true";
    return onWindow(window, QStringLiteral("w.setMaximize(%1, %1);").arg(QLatin1String(on)));
}

bool KWinWindows::switchDesktop(int direction) {
    if (direction == 0) return false;
    if (traceEnabled()) trace(direction > 0 ? "kwin: next desktop" : "kwin: previous desktop");
    link_->call(kKWin, QStringLiteral("/KWin"), kKWin, direction > 0 ? QStringLiteral("nextDesktop") : QStringLiteral("previousDesktop"));
    return true;
}

void KWinWindows::readLayouts() {
    auto message = QDBusMessage::createMethodCall(kKeyboard, kLayouts, kLayoutsInterface, QStringLiteral("getLayoutsList"));
    auto* list = new QDBusPendingCallWatcher(link_->bus.asyncCall(message), link_.get());
    QObject::connect(list, &QDBusPendingCallWatcher::finished, link_.get(), [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusMessage reply = call->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty() ||
            reply.signature() != QLatin1String("a(sss)")) {
            cache_.setInputSources(std::nullopt);
            return;
        }
        CompositorInputSources sources;
        const QDBusArgument array = reply.arguments().front().value<QDBusArgument>();
        array.beginArray();
        while (!array.atEnd()) {
            Layout layout;
            array >> layout;
            const QString id = layout.variant.isEmpty() ? layout.shortName : layout.shortName + "(" + layout.variant + ")";
            sources.sources.push_back(CompositorInputSource{id.toStdString(), layout.longName.toStdString()});
        }
        array.endArray();
        auto current = QDBusMessage::createMethodCall(kKeyboard, kLayouts, kLayoutsInterface, QStringLiteral("getLayout"));
        auto* index = new QDBusPendingCallWatcher(link_->bus.asyncCall(current), link_.get());
        QObject::connect(index, &QDBusPendingCallWatcher::finished, link_.get(),
                         [this, sources](QDBusPendingCallWatcher* call) mutable {
                             call->deleteLater();
                             QDBusPendingReply<uint> reply = *call;
                             const int at = reply.isValid() ? static_cast<int>(reply.value()) : -1;
                             sources.current = at >= 0 && at < static_cast<int>(sources.sources.size()) ? at : -1;
                             cache_.setInputSources(std::move(sources));
                         });
    });
}

bool KWinWindows::selectInputSource(const std::string& id) {
    const auto sources = cache_.inputSources();
    if (!sources) return false;
    for (std::size_t i = 0; i < sources->sources.size(); ++i)
        if (sources->sources[i].id == id) {
            link_->call(kKeyboard, kLayouts, kLayoutsInterface, QStringLiteral("setLayout"),
                        {QVariant::fromValue(static_cast<uint>(i))});
            return true;
        }
    return false;
}

bool KWinWindows::nextInputSource() {
    if (!cache_.inputSources()) return false;
    link_->call(kKeyboard, kLayouts, kLayoutsInterface, QStringLiteral("switchToNextLayout"));
    return true;
}

} // namespace corv::desktop

#include "KWinWindows.moc"
