#include "platform/desktop/windows/KWinWindows.h"

#include "platform/desktop/windows/KWinReport.h"

#include "platform/desktop/shell/BusProbe.h"
#include "platform/desktop/shell/DesktopTrace.h"

#include <QCryptographicHash>
#include <QDBusArgument>
#include <QDBusContext>
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
#include <QDir>
#include <QTemporaryDir>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corv::desktop {

namespace {

const QString kKWin = QStringLiteral("org.kde.KWin");
const QString kScripting = QStringLiteral("org.kde.kwin.Scripting");
const QString kKeyboard = QStringLiteral("org.kde.keyboard");
const QString kLayouts = QStringLiteral("/Layouts");
const QString kLayoutsInterface = QStringLiteral("org.kde.KeyboardLayouts");
// A KWin that has just taken its name may not offer its scripting yet: it is
// asked again, twice as late each time up to a bound, and we say once that we
// are blind.
constexpr double kLoadRetry = 0.2;
constexpr double kLoadRetryMost = 10.0;
constexpr int kLoadTriesBeforeSaying = 5;
// The script's question for where our windows go is answered within this
// time: KWin gives up a call after 25 s, and the script asks again only then.
constexpr double kPlacesHeld = 20.0;
// Commands wait for the command script at most this many, this long; one
// that has them and does not say it acted is unloaded this long after.
constexpr std::size_t kMaxCommands = 64;
constexpr double kCommandBound = 10.0;
// Our scripts' folders and plugin names carry the pid of the run; a folder
// also names its bus, whose KWin has its scripts.
const QString kFolderPrefix = QStringLiteral("corvadine-kwin-");
QString busTag(const QString& sessionBus) {
    const std::string address = resolveBusAddress(sessionBus, BusKind::Session);
    return QString::fromLatin1(
        QCryptographicHash::hash(QByteArray::fromStdString(address), QCryptographicHash::Sha1).toHex().left(12));
}
QString mainPlugin(qint64 pid) { return QStringLiteral("corvadine-windows-%1").arg(pid); }
// Command runs take turns between two names: KWin frees a script's name only
// some time after unloading it.
QString commandPlugin(qint64 pid, int run) { return QStringLiteral("corvadine-command-%1-%2").arg(pid).arg(run % 2); }

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

class KWinWindows::Link final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.brelvantoque.Corvadine.KWinWindows")

public:
    explicit Link(const QString& sessionBus)
        : bus(sessionBus, BusKind::Session, QStringLiteral("corv-kwin-")),
          tag(busTag(sessionBus)),
          scripts(QDir::temp().filePath(kFolderPrefix + QString::number(::getpid()) + u'-' + tag + QStringLiteral("-XXXXXX"))) {}

    ServiceBus bus;
    QString tag;
    QTemporaryDir scripts;
    KWinWindows* owner = nullptr;
    QString mainScript, commandScript;
    QDBusServiceWatcher watcher;
    // The connection that owns KWin's name: the only one we hear.
    QString kwin;
    // The script's question for where our windows go, while held.
    QDBusMessage heldAsk;

    void answerHeld(const QString& text) {
        if (heldAsk.type() != QDBusMessage::MethodCallMessage) return;
        bus.send(heldAsk.createReply(text));
        heldAsk = QDBusMessage();
    }

    void call(const QString& service, const QString& path, const QString& interface, const QString& method,
              const QVariantList& args = {}) {
        auto message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(args);
        bus.asyncCall(message);
    }
    void scripting(const QString& method, const QVariantList& args = {}) {
        call(kKWin, QStringLiteral("/Scripting"), kScripting, method, args);
    }
    // Loads a script under a plugin name; `loaded` gets whether KWin took it.
    void load(const QString& file, const QString& plugin, std::function<void(bool)> loaded) {
        scripting(QStringLiteral("unloadScript"), {plugin});
        auto message = QDBusMessage::createMethodCall(kKWin, QStringLiteral("/Scripting"), kScripting, QStringLiteral("loadScript"));
        message << file << plugin;
        auto* loading = new QDBusPendingCallWatcher(bus.asyncCall(message), this);
        QObject::connect(loading, &QDBusPendingCallWatcher::finished, this,
                         [loaded = std::move(loaded)](QDBusPendingCallWatcher* call) {
                             call->deleteLater();
                             QDBusPendingReply<int> reply = *call;
                             loaded(reply.isValid() && reply.value() >= 0);
                         });
    }

public slots:
    Q_SCRIPTABLE void Report(const QString& json) {
        if (!owner || !fromKWin()) return;
        if (json.size() > kKWinMaxReport) {
            if (traceEnabled()) trace("kwin: a report too long");
            return;
        }
        owner->report(json.toUtf8());
    }
    // Answered at once when the script has not seen where our windows go now,
    // else held until that changes.
    Q_SCRIPTABLE QString Places(const QString& seen) {
        if (!owner || !fromKWin()) return QStringLiteral("{}");
        answerHeld(owner->places());
        if (seen != owner->placesVersion()) return owner->places();
        setDelayedReply(true);
        heldAsk = message();
        owner->holdPlaces();
        return {};
    }
    Q_SCRIPTABLE QString Next() {
        if (!owner || !fromKWin()) return QStringLiteral("{\"commands\":[]}");
        return owner->nextCommands();
    }
    Q_SCRIPTABLE void Done(const QString& run) {
        if (owner && fromKWin()) owner->commandsDone(run);
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
        kwin = now;
        if (now.isEmpty()) owner->forget();
        else owner->runMainScript();
    }

private:
    bool fromKWin() const { return calledFromDBus() && !kwin.isEmpty() && message().service() == kwin; }
};

namespace {

// Writes a script of ours into the folder, naming our connection in it.
QString writeScript(KWinWindows::Link& link, const QString& resource, const QString& name) {
    QFile from(resource);
    if (!from.open(QIODevice::ReadOnly)) return {};
    QByteArray text = from.readAll();
    text.replace("%SERVICE%", link.bus.baseService().toUtf8());
    const QString file = link.scripts.filePath(name);
    QFile script(file);
    if (!script.open(QIODevice::WriteOnly) || script.write(text) != text.size()) return {};
    return file;
}

// Empties and removes the folder `name` in `parent`, opened as `folder`:
// each entry is unlinked where it is, no link followed.
void removeFolder(int parent, const QByteArray& name, int folder) {
    std::vector<std::string> entries;
    const int listing = ::dup(folder);
    DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
    if (!dir) {
        if (listing >= 0) ::close(listing);
        return;
    }
    while (const dirent* entry = ::readdir(dir))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) entries.emplace_back(entry->d_name);
    ::closedir(dir);
    for (const auto& entry : entries) ::unlinkat(folder, entry.c_str(), 0);
    ::unlinkat(parent, name.constData(), AT_REMOVEDIR);
}

// A run that crashed left its folder, and its scripts loaded in KWin. Only
// a real folder of this user is taken, never a link nor another's.
void unloadLeftovers(KWinWindows::Link& link) {
    const QString temp = QDir::tempPath();
    const int parent = ::open(QFile::encodeName(temp).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0) return;
    const auto names =
        QDir(temp).entryList({kFolderPrefix + QStringLiteral("*")}, QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QString rest = name.mid(kFolderPrefix.size());
        bool number = false;
        const qint64 pid = rest.section(QLatin1Char('-'), 0, 0).toLongLong(&number);
        if (!number || rest.section(QLatin1Char('-'), 1, 1) != link.tag || pid <= 0 || pid > std::numeric_limits<pid_t>::max() || pid == ::getpid() ||
            ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        const QByteArray file = QFile::encodeName(name);
        const int folder = ::openat(parent, file.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (folder < 0) continue;
        struct stat status {};
        if (::fstat(folder, &status) == 0 && status.st_uid == ::geteuid()) {
            link.scripting(QStringLiteral("unloadScript"), {mainPlugin(pid)});
            for (int run : {0, 1}) link.scripting(QStringLiteral("unloadScript"), {commandPlugin(pid, run)});
            removeFolder(parent, file, folder);
        }
        ::close(folder);
    }
    ::close(parent);
}

} // namespace

std::unique_ptr<KWinWindows> KWinWindows::open(platform::RunLoop& loop, const QString& sessionBus) {
    auto link = std::make_unique<Link>(sessionBus);
    if (!link->bus.isConnected() || !link->scripts.isValid()) return nullptr;
    link->mainScript = writeScript(*link, QStringLiteral(":/compositor/kwin/windows.js"), QStringLiteral("windows.js"));
    link->commandScript = writeScript(*link, QStringLiteral(":/compositor/kwin/commands.js"), QStringLiteral("commands.js"));
    if (link->mainScript.isEmpty() || link->commandScript.isEmpty()) return nullptr;
    if (!link->bus.registerObject(QStringLiteral("/KWinWindows"), link.get(), QDBusConnection::ExportScriptableSlots))
        return nullptr;
    link->watcher.setConnection(link->bus);
    link->watcher.setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    link->watcher.addWatchedService(kKWin);
    link->watcher.addWatchedService(kKeyboard);
    QObject::connect(&link->watcher, &QDBusServiceWatcher::serviceOwnerChanged, link.get(), &Link::ownerChanged);
    // Who owns KWin's name now: the bus answers before KWin can run our script.
    auto owner = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
    owner << kKWin;
    auto* asking = new QDBusPendingCallWatcher(link->bus.asyncCall(owner), link.get());
    QObject::connect(asking, &QDBusPendingCallWatcher::finished, link.get(), [l = link.get()](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        QDBusPendingReply<QString> reply = *call;
        if (reply.isValid() && l->kwin.isEmpty()) l->kwin = reply.value();
    });
    unloadLeftovers(*link);
    auto windows = std::unique_ptr<KWinWindows>(new KWinWindows(loop, std::move(link)));
    windows->runMainScript();
    return windows;
}

KWinWindows::KWinWindows(platform::RunLoop& loop, std::unique_ptr<Link> link)
    : CachedWindows(loop), loop_(loop), link_(std::move(link)) {
    link_->owner = this;
    for (const char* signal : {"layoutChanged", "layoutListChanged"})
        link_->bus.connect(kKeyboard, kLayouts, kLayoutsInterface, QString::fromLatin1(signal), link_.get(),
                           SLOT(layoutsChanged()));
    readLayouts();
}

KWinWindows::~KWinWindows() {
    link_->owner = nullptr;
    link_->scripting(QStringLiteral("unloadScript"), {mainPlugin(::getpid())});
    for (int run : {0, 1}) link_->scripting(QStringLiteral("unloadScript"), {commandPlugin(::getpid(), run)});
}

void KWinWindows::runMainScript() { loadMainScript(0, ++loadGeneration_); }

void KWinWindows::loadMainScript(int attempt, int generation) {
    link_->load(link_->mainScript, mainPlugin(::getpid()), [this, attempt, generation](bool loaded) {
        if (generation != loadGeneration_) return;
        if (loaded) {
            link_->scripting(QStringLiteral("start"));
            if (saidBlind_) std::fprintf(stderr, "corvadine: KWin runs our script again\n");
            saidBlind_ = false;
            return;
        }
        if (attempt + 1 == kLoadTriesBeforeSaying && !saidBlind_) {
            std::fprintf(stderr, "corvadine: KWin does not run our script; the application in front is unknown until it does\n");
            saidBlind_ = true;
        }
        const double delay = std::min(kLoadRetry * std::pow(2.0, attempt), kLoadRetryMost);
        // Posted tasks find this gone with the link, whose death ends them.
        loop_.postAfter(delay, [weak = QPointer<Link>(link_.get()), attempt, generation] {
            if (weak && weak->owner) weak->owner->loadMainScript(attempt + 1, generation);
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
    auto state = kwinReportOf(json);
    if (!state) return;
    CompositorWindowList list;
    std::set<QString> seen;
    std::set<CompositorWindowId> maximized;
    std::map<CompositorWindowId, std::uint32_t> x11;
    for (auto& w : state->windows) {
        auto [it, added] = ids_.emplace(w.uuid, nextId_);
        if (added) {
            uuids_[nextId_] = w.uuid;
            ++nextId_;
        }
        seen.insert(w.uuid);
        w.window.id = it->second;
        if (w.maximized) maximized.insert(w.window.id);
        if (w.x11Window) x11[w.window.id] = w.x11Window;
        list.windows.push_back(std::move(w.window));
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
    const auto known = [&](const QString& uuid) {
        auto it = ids_.find(uuid);
        return it == ids_.end() ? CompositorWindowId{0} : it->second;
    };
    list.focused = known(state->active);
    maximized_ = std::move(maximized);
    x11Windows_ = std::move(x11);
    {
        std::lock_guard lock(mutex_);
        under_ = known(state->under);
        if (state->pointer) pointer_ = state->pointer;
        screens_ = std::move(state->screens);
    }
    cache_.setDesktops(state->desktops);
    cache_.setWindows(std::move(list));
}

void KWinWindows::forget() {
    ++loadGeneration_;
    link_->heldAsk = QDBusMessage();
    queued_.clear();
    commandOut_ = false;
    ids_.clear();
    uuids_.clear();
    maximized_.clear();
    x11Windows_.clear();
    {
        std::lock_guard lock(mutex_);
        pointer_.reset();
        under_ = 0;
        screens_.clear();
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

bool KWinWindows::onWindow(CompositorWindowId window, const char* act, bool on) {
    auto it = uuids_.find(window);
    if (it == uuids_.end() || queued_.size() >= kMaxCommands) return false;
    queued_.push_back(
        QJsonObject{{QStringLiteral("id"), it->second}, {QStringLiteral("act"), QLatin1String(act)}, {QStringLiteral("on"), on}});
    if (traceEnabled()) trace(("kwin: " + std::string(act) + (on ? "" : " off")).c_str());
    runCommands();
    return true;
}

// One command script is out at a time, from its load till it says it has
// acted; it takes every command queued by the time it asks. One that KWin
// does not run in time takes its commands with it, and is unloaded.
void KWinWindows::runCommands() {
    if (commandOut_ || queued_.empty()) return;
    commandOut_ = true;
    commandAnswered_ = false;
    const int run = ++commandRun_;
    const auto failed = [this, run](const char* why) {
        if (!commandOut_ || commandAnswered_ || run != commandRun_) return;
        commandOut_ = false;
        queued_.clear();
        link_->scripting(QStringLiteral("unloadScript"), {commandPlugin(::getpid(), run)});
        if (traceEnabled()) trace(why);
    };
    link_->load(link_->commandScript, commandPlugin(::getpid(), run), [this, failed](bool loaded) {
        if (loaded) link_->scripting(QStringLiteral("start"));
        else failed("kwin: the command script does not load");
    });
    loop_.postAfter(kCommandBound, [weak = QPointer<Link>(link_.get()), failed] {
        if (weak && weak->owner) failed("kwin: the command script did not ask");
    });
}

QString KWinWindows::nextCommands() {
    // Only the script out takes the commands, once.
    QJsonArray commands;
    QJsonObject answer;
    if (commandOut_ && !commandAnswered_) {
        for (const QJsonObject& c : queued_) commands.append(c);
        queued_.clear();
        commandAnswered_ = true;
        answer.insert(QStringLiteral("run"), QString::number(commandRun_));
        loop_.postAfter(kCommandBound, [weak = QPointer<Link>(link_.get()), run = commandRun_] {
            if (!weak || !weak->owner) return;
            if (traceEnabled() && weak->owner->commandOut_ && weak->owner->commandRun_ == run)
                trace("kwin: the command script did not say it acted");
            weak->owner->commandsDone(QString::number(run));
        });
    }
    answer.insert(QStringLiteral("commands"), commands);
    return QString::fromUtf8(QJsonDocument(answer).toJson(QJsonDocument::Compact));
}

// Unloaded only once it has acted: a KWin may take the unload before it has
// handed the script our answer, which is then lost.
void KWinWindows::commandsDone(const QString& run) {
    if (!commandOut_ || !commandAnswered_ || run != QString::number(commandRun_)) return;
    commandOut_ = false;
    link_->scripting(QStringLiteral("unloadScript"), {commandPlugin(::getpid(), commandRun_)});
    runCommands();
}

std::optional<CompositorScreen> KWinWindows::screenAt(platform::Point at) {
    std::lock_guard lock(mutex_);
    for (const auto& s : screens_)
        if (s.screen.contains(at)) return CompositorScreen{s.screen, s.area};
    return std::nullopt;
}

bool KWinWindows::placeOwnWindow(const std::string& title, platform::Rect frame) {
    own_[title] = frame;
    ++placesVersion_;
    if (traceEnabled()) trace("kwin: place our window");
    link_->answerHeld(places());
    return true;
}

QString KWinWindows::places() const {
    QJsonArray list;
    const auto whole = [](double v) { return static_cast<int>(std::lround(v)); };
    for (const auto& [title, f] : own_)
        list.append(QJsonObject{{QStringLiteral("pid"), static_cast<qint64>(::getpid())},
                                {QStringLiteral("title"), QString::fromStdString(title)},
                                {QStringLiteral("x"), whole(f.x)},
                                {QStringLiteral("y"), whole(f.y)},
                                {QStringLiteral("width"), whole(f.width)},
                                {QStringLiteral("height"), whole(f.height)}});
    return QString::fromUtf8(
        QJsonDocument(QJsonObject{{QStringLiteral("version"), placesVersion()}, {QStringLiteral("windows"), list}})
            .toJson(QJsonDocument::Compact));
}

void KWinWindows::holdPlaces() {
    const int held = ++heldPlaces_;
    loop_.postAfter(kPlacesHeld, [weak = QPointer<Link>(link_.get()), held] {
        if (weak && weak->owner && held == weak->owner->heldPlaces_) weak->answerHeld(weak->owner->places());
    });
}

bool KWinWindows::activate(CompositorWindowId window) { return onWindow(window, "activate"); }

bool KWinWindows::setFullScreen(CompositorWindowId window, bool on) {
    const auto x11 = x11Windows_.find(window);
    if (x11 == x11Windows_.end() || !xwaylandFullScreen_) return onWindow(window, "fullScreen", on);
    if (traceEnabled()) trace(on ? "kwin: fullScreen through Xwayland" : "kwin: fullScreen off through Xwayland");
    // Xwayland out of reach: the script's request.
    return xwaylandFullScreen_(x11->second, on) || onWindow(window, "fullScreen", on);
}

bool KWinWindows::toggleMaximized(CompositorWindowId window) {
    return onWindow(window, "maximize", maximized_.count(window) == 0);
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
