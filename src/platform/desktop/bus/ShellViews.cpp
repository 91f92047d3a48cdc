// GIO before Qt: its headers use names Qt defines as macros.
#include <gio/gio.h>

#include "platform/desktop/bus/ShellViews.h"

#include "platform/desktop/bus/Accelerator.h"
#include "platform/desktop/bus/BusMessages.h"
#include "platform/desktop/shell/BusProbe.h"
#include "platform/desktop/shell/DesktopTrace.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QObject>
#include <QProcess>

#include <cstdio>
#include <set>

namespace corv::desktop {

namespace {

const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

const QString kGnomeShell = QStringLiteral("org.gnome.Shell");
const QString kGnomeShellPath = QStringLiteral("/org/gnome/Shell");

const QString kGlobalAccel = QStringLiteral("org.kde.kglobalaccel");
const QString kKwinComponent = QStringLiteral("/component/kwin");
const QString kComponent = QStringLiteral("org.kde.kglobalaccel.Component");
const QString kKwin = QStringLiteral("org.kde.KWin");
const QString kPlasma = QStringLiteral("org.kde.plasmashell");

const QString kCinnamon = QStringLiteral("org.Cinnamon");
const QString kCinnamonPath = QStringLiteral("/org/Cinnamon");

// KWin's names for its views, Plasma 5 first.
const QStringList kKwinAllWindows{QStringLiteral("Overview"), QStringLiteral("ExposeAll")};
const QStringList kKwinApplicationWindows{QStringLiteral("ExposeClass")};
const QStringList kKwinGrid{QStringLiteral("ShowDesktopGrid"), QStringLiteral("Grid View")};

constexpr const char* kGnomeKeybindings = "org.gnome.shell.keybindings";
constexpr const char* kGridChordKey = "toggle-application-view";

// A bounded wait for each answer; a shell that does not answer counts as
// showing nothing.
constexpr int kCallBoundMs = 1000;

// The chord from GSettings, read now: the user may change it at any time.
std::optional<Accelerator> gnomeGridChord(const std::string& layout) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source) return std::nullopt;
    // GLib aborts on a missing schema or key: both are looked up first.
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, kGnomeKeybindings, TRUE);
    if (!schema) return std::nullopt;
    std::optional<Accelerator> out;
    if (g_settings_schema_has_key(schema, kGridChordKey)) {
        GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
        GVariant* value = g_settings_get_value(settings, kGridChordKey);
        if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING_ARRAY)) {
            gsize count = 0;
            const gchar** chords = g_variant_get_strv(value, &count);
            for (gsize i = 0; i < count && !out; ++i) {
                out = parseAccelerator(chords[i], layout);
                // Said once for each chord the user wrote that names no key here.
                static std::set<std::string> told;
                const std::string chord = chords[i];
                if (!out && !chord.empty() && chord != "disabled" && told.insert(chord + "|" + layout).second)
                    std::fprintf(stderr, "corvadine: GNOME's app grid chord \"%s\" names no key of the layout %s\n",
                                 chord.c_str(), layout.c_str());
            }
            g_free(chords);
        }
        g_variant_unref(value);
        g_object_unref(settings);
    }
    g_settings_schema_unref(schema);
    return out;
}

std::optional<bool> boolOf(const QDBusMessage& reply, const char* what) {
    if (reply.type() != QDBusMessage::ReplyMessage || !hasSignature(reply, "v", what)) return std::nullopt;
    return strictBool(qvariant_cast<QDBusVariant>(reply.arguments().front()).variant());
}

// Hands the shell's signals on; each is taken as "read again".
class Listener final : public QObject {
    Q_OBJECT
public:
    Listener(std::function<void()> changed, std::function<void()> shortcut)
        : changed_(std::move(changed)), shortcut_(std::move(shortcut)) {}

public slots:
    void changed(const QDBusMessage&) { changed_(); }
    void shortcut(const QDBusMessage&) { shortcut_(); }

private:
    std::function<void()> changed_;
    std::function<void()> shortcut_;
};

} // namespace

ShellViews::ShellViews(platform::RunLoop& loop, DesktopShell shell, QString busAddress, PostChord postChord,
                       CurrentLayout layout)
    : loop_(loop), shell_(shell), address_(std::move(busAddress)), postChord_(std::move(postChord)),
      layout_(std::move(layout)),
      context_(std::make_unique<Listener>([this] { read(); }, [this] { readAWhile(); })) {
    if (shell_ == DesktopShell::Other || shell_ == DesktopShell::Xfce) return;
    bus_ = std::make_unique<ServiceBus>(address_, BusKind::Session, QStringLiteral("corvadine-views-"));
    if (!bus_->isConnected()) return;
    if (shell_ == DesktopShell::Kde) {
        auto names = QDBusMessage::createMethodCall(kGlobalAccel, kKwinComponent, kComponent,
                                                    QStringLiteral("shortcutNames"));
        auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(names, kCallBoundMs), context_.get());
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context_.get(),
                         [this](QDBusPendingCallWatcher* w) {
                             w->deleteLater();
                             const QDBusMessage reply = w->reply();
                             if (reply.type() != QDBusMessage::ReplyMessage || !hasSignature(reply, "as", "KWin's shortcut names"))
                                 return;
                             kwinNames_ = reply.arguments().front().toStringList();
                             kwinNamesKnown_ = true;
                         });
    }
    listen();
    read();
}

void ShellViews::listen() {
    QDBusConnection& bus = *bus_;
    QObject* to = context_.get();
    switch (shell_) {
    case DesktopShell::Gnome:
        bus.connect(kGnomeShell, kGnomeShellPath, kProperties, QStringLiteral("PropertiesChanged"), to,
                    SLOT(changed(QDBusMessage)));
        break;
    case DesktopShell::Cinnamon:
        bus.connect(kCinnamon, kCinnamonPath, kProperties, QStringLiteral("PropertiesChanged"), to,
                    SLOT(changed(QDBusMessage)));
        break;
    case DesktopShell::Kde:
        bus.connect(kKwin, QStringLiteral("/KWin"), kKwin, QStringLiteral("showingDesktopChanged"), to,
                    SLOT(changed(QDBusMessage)));
        // The effects have no signal: one of KWin's shortcuts, pressed by
        // the user, may have shown or hidden one.
        bus.connect(kGlobalAccel, kKwinComponent, kComponent, QStringLiteral("globalShortcutPressed"), to,
                    SLOT(shortcut(QDBusMessage)));
        break;
    case DesktopShell::Xfce:
    case DesktopShell::Other:
        break;
    }
}

ShellViews::~ShellViews() {
    if (busyTimer_) loop_.cancel(busyTimer_);
    context_.reset();
    bus_.reset();
}

ViewsWatchId ShellViews::watch(std::function<void(DesktopView)> changed) {
    const ViewsWatchId id = nextWatch_++;
    watchers_[id] = std::move(changed);
    return id;
}

void ShellViews::unwatch(ViewsWatchId id) { watchers_.erase(id); }

void ShellViews::apply(DesktopView view) {
    if (view == shown_) return;
    shown_ = view;
    if (traceEnabled()) trace(("views: " + std::to_string(static_cast<int>(view))).c_str());
    auto watchers = watchers_;
    for (auto& [id, w] : watchers)
        if (watchers_.count(id)) w(view);
}

void ShellViews::call(const QString& service, const QString& path, const QString& interface, const QString& method,
                      const QVariantList& args) {
    if (!bus_ || !bus_->isConnected()) return;
    auto message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(args);
    // The answer is read only to be dropped (an AccessDenied, say).
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(message, kCallBoundMs), context_.get());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context_.get(), [method](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (w->isError() && traceEnabled())
            trace(("views: " + method.toStdString() + ": " + w->error().message().toStdString()).c_str());
    });
}

void ShellViews::setProperty(const QString& service, const QString& path, const QString& interface,
                             const QString& name, bool value) {
    call(service, path, kProperties, QStringLiteral("Set"),
         {interface, name, QVariant::fromValue(QDBusVariant(value))});
}

QString ShellViews::kwinShortcut(const QStringList& candidates) const {
    if (kwinNamesKnown_)
        for (const QString& name : candidates)
            if (kwinNames_.contains(name)) return name;
    return candidates.front();
}

bool ShellViews::postGnomeGridChord() {
    const auto chord = gnomeGridChord(layout_ ? layout_() : "us");
    if (!chord || !postChord_) {
        trace("views: no toggle-application-view chord");
        return false;
    }
    postChord_(chord->flags, chord->key);
    return true;
}

void ShellViews::launchAppFinder() {
    if (!QProcess::startDetached(QStringLiteral("xfce4-appfinder"), {})) trace("views: xfce4-appfinder did not start");
}

bool ShellViews::set(DesktopView view, bool show) {
    DesktopView expected = show ? view : DesktopView::None;
    bool sent = false;
    switch (shell_) {
    case DesktopShell::Gnome:
        if (view == DesktopView::AllWindows) {
            setProperty(kGnomeShell, kGnomeShellPath, kGnomeShell, QStringLiteral("OverviewActive"), show);
            sent = true;
        } else if (view == DesktopView::Grid) {
            // ShowApplications is refused to other programs: the user's chord
            // toggles the grid; the overview says only that it shows.
            if (show) {
                sent = postGnomeGridChord();
            } else {
                setProperty(kGnomeShell, kGnomeShellPath, kGnomeShell, QStringLiteral("OverviewActive"), false);
                sent = true;
            }
            expected = show ? DesktopView::AllWindows : DesktopView::None;
        }
        break;
    case DesktopShell::Kde:
        if (view == DesktopView::AllWindows || view == DesktopView::ApplicationWindows) {
            // KWin's shortcuts toggle: the same one hides the view.
            const QString name = kwinShortcut(view == DesktopView::AllWindows ? kKwinAllWindows : kKwinApplicationWindows);
            call(kGlobalAccel, kKwinComponent, kComponent, QStringLiteral("invokeShortcut"), {name});
            if (show) kwinWindowView_ = view;
            sent = true;
        } else if (view == DesktopView::Grid) {
            if (show) call(kPlasma, QStringLiteral("/PlasmaShell"), QStringLiteral("org.kde.PlasmaShell"),
                           QStringLiteral("activateLauncherMenu"));
            else call(kGlobalAccel, kKwinComponent, kComponent, QStringLiteral("invokeShortcut"), {kwinShortcut(kKwinGrid)});
            // The launcher is no effect: it shows as nothing.
            expected = DesktopView::None;
            sent = true;
        } else if (view == DesktopView::Desktop) {
            call(kKwin, QStringLiteral("/KWin"), kKwin, QStringLiteral("showDesktop"), {show});
            sent = true;
        }
        break;
    case DesktopShell::Cinnamon:
        if (view == DesktopView::AllWindows || view == DesktopView::Grid) {
            const bool overview = view == DesktopView::AllWindows;
            if (show) call(kCinnamon, kCinnamonPath, kCinnamon, overview ? QStringLiteral("ShowOverview") : QStringLiteral("ShowExpo"));
            else setProperty(kCinnamon, kCinnamonPath, kCinnamon, overview ? QStringLiteral("OverviewActive") : QStringLiteral("ExpoActive"), false);
            sent = true;
        }
        break;
    case DesktopShell::Xfce:
        if (view == DesktopView::Grid && show) {
            launchAppFinder();
            return true;
        }
        return false;
    case DesktopShell::Other:
        return false;
    }
    if (!sent) return false;
    if (traceEnabled())
        trace(("views: " + std::string(show ? "show " : "hide ") + std::to_string(static_cast<int>(view))).c_str());
    // Taken as done until the shell says otherwise: a second trigger soon
    // after the first goes the other way.
    ++readGeneration_;
    readAWhile();
    apply(expected);
    return true;
}

void ShellViews::readAWhile() {
    // Only KWin's effects go unsignalled.
    if (shell_ != DesktopShell::Kde) return;
    busyReads_ = static_cast<int>(kBusyFor / kBusyReadInterval);
    if (!busyTimer_) readSoon();
}

void ShellViews::readSoon() {
    busyTimer_ = loop_.postAfter(kBusyReadInterval, [this] {
        busyTimer_ = 0;
        read();
        if (--busyReads_ > 0) readSoon();
    });
}

void ShellViews::read() {
    if (!bus_ || !bus_->isConnected()) return;
    const std::uint64_t generation = readGeneration_;
    const auto get = [this](const QString& service, const QString& path, const QString& interface, const QString& name,
                            std::function<void(const QDBusMessage&)> then) {
        auto message = QDBusMessage::createMethodCall(service, path, kProperties, QStringLiteral("Get"));
        message << interface << name;
        auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(message, kCallBoundMs), context_.get());
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context_.get(),
                         [then = std::move(then)](QDBusPendingCallWatcher* w) {
                             w->deleteLater();
                             then(w->reply());
                         });
    };
    // An action of ours since the read began decides until the next one.
    const auto settle = [this, generation](DesktopView view) {
        if (generation == readGeneration_) apply(view);
    };
    switch (shell_) {
    case DesktopShell::Gnome:
        get(kGnomeShell, kGnomeShellPath, kGnomeShell, QStringLiteral("OverviewActive"), [settle](const QDBusMessage& r) {
            settle(boolOf(r, "GNOME's OverviewActive").value_or(false) ? DesktopView::AllWindows : DesktopView::None);
        });
        break;
    case DesktopShell::Cinnamon:
        get(kCinnamon, kCinnamonPath, kCinnamon, QStringLiteral("OverviewActive"), [get, settle](const QDBusMessage& r) {
            if (boolOf(r, "Cinnamon's OverviewActive").value_or(false)) return settle(DesktopView::AllWindows);
            get(kCinnamon, kCinnamonPath, kCinnamon, QStringLiteral("ExpoActive"), [settle](const QDBusMessage& e) {
                settle(boolOf(e, "Cinnamon's ExpoActive").value_or(false) ? DesktopView::Grid : DesktopView::None);
            });
        });
        break;
    case DesktopShell::Kde:
        get(kKwin, QStringLiteral("/Effects"), QStringLiteral("org.kde.kwin.Effects"), QStringLiteral("activeEffects"),
            [this, get, settle](const QDBusMessage& r) {
                QStringList effects;
                if (r.type() == QDBusMessage::ReplyMessage && hasSignature(r, "v", "KWin's activeEffects")) {
                    const QVariant v = qvariant_cast<QDBusVariant>(r.arguments().front()).variant();
                    if (v.typeId() == QMetaType::QStringList) effects = v.toStringList();
                }
                if (effects.contains(QStringLiteral("overview"))) return settle(DesktopView::AllWindows);
                if (effects.contains(QStringLiteral("windowview"))) return settle(kwinWindowView_);
                if (effects.contains(QStringLiteral("desktopgrid"))) return settle(DesktopView::Grid);
                get(kKwin, QStringLiteral("/KWin"), kKwin, QStringLiteral("showingDesktop"), [settle](const QDBusMessage& d) {
                    settle(boolOf(d, "KWin's showingDesktop").value_or(false) ? DesktopView::Desktop : DesktopView::None);
                });
            });
        break;
    case DesktopShell::Xfce:
    case DesktopShell::Other:
        break;
    }
}

} // namespace corv::desktop

#include "ShellViews.moc"
