#include "platform/desktop/bus/DesktopWorkspaceNotes.h"

#include "platform/desktop/bus/BusMessages.h"
#include "platform/desktop/shell/BusProbe.h"
#include "platform/desktop/shell/DesktopTrace.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QObject>
#include <QVariantMap>

namespace corv::desktop {

namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

} // namespace

// Receives logind's signals and hands them on as notices.
class DesktopWorkspaceNotes::Listener final : public QObject {
    Q_OBJECT
public:
    explicit Listener(DesktopWorkspaceNotes& owner) : owner_(owner) {}
    QDBusConnection& bus() { return *owner_.bus_; }

public slots:
    // Each message is taken whole and its signature checked before anything
    // is extracted: a peer's malformed message is ignored, not demarshalled.
    void sessionFound(const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ReplyMessage || !hasSignature(reply, "o", "a logind GetSession reply"))
            return;
        const auto session = qvariant_cast<QDBusObjectPath>(reply.arguments().front());
        if (session.path().isEmpty()) return;
        bus().connect(kLogind, session.path(), kProperties, QStringLiteral("PropertiesChanged"), this,
                      SLOT(sessionPropertiesChanged(QDBusMessage)));
        trace("logind: watching the session");
        // The session may be switched away already.
        QDBusMessage get = QDBusMessage::createMethodCall(kLogind, session.path(), kProperties, QStringLiteral("Get"));
        get << kSession << QStringLiteral("Active");
        bus().callWithCallback(get, this, SLOT(sessionActiveRead(QDBusMessage)));
    }
    void sessionActiveRead(const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ReplyMessage || !hasSignature(reply, "v", "a logind session Active")) return;
        const auto active = strictBool(qvariant_cast<QDBusVariant>(reply.arguments().front()).variant());
        if (!active || *active == sessionActive_) return;
        sessionActive_ = *active;
        presenceChanged();
    }
    void presenceChanged() {
        const bool present = sessionActive_ && awake_;
        if (present == present_) return;
        present_ = present;
        if (owner_.onPresence) owner_.onPresence(present);
    }
    void prepareForSleep(const QDBusMessage& message) {
        if (!hasSignature(message, "b", "a logind PrepareForSleep")) return;
        const bool start = message.arguments().front().toBool();
        trace(start ? "logind: going to sleep" : "logind: woke up");
        awake_ = !start;
        presenceChanged();
        owner_.post(start ? platform::WorkspaceNote::WillSleep : platform::WorkspaceNote::DidWake);
        // The sleep handler has saved: the machine may sleep now.
        if (start) sleepLock_ = QDBusUnixFileDescriptor();
        else takeSleepLock();
    }
    // Holds the sleep back until the sleep notice has been handled.
    void takeSleepLock() {
        QDBusMessage call = QDBusMessage::createMethodCall(kLogind, kManagerPath, kManager, QStringLiteral("Inhibit"));
        call << QStringLiteral("sleep") << QStringLiteral("Corvadine") << QStringLiteral("Saving the settings")
             << QStringLiteral("delay");
        bus().callWithCallback(call, this, SLOT(sleepLockTaken(QDBusMessage)));
    }
    void sleepLockTaken(const QDBusMessage& reply) {
        // A lock that comes back after the sleep began would only delay it.
        if (!awake_ || reply.type() != QDBusMessage::ReplyMessage || !hasSignature(reply, "h", "a logind Inhibit reply"))
            return;
        sleepLock_ = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().front());
    }
    void sessionPropertiesChanged(const QDBusMessage& message) {
        if (!hasSignature(message, "sa{sv}as", "a logind session PropertiesChanged")) return;
        const auto args = message.arguments();
        if (args.at(0).toString() != kSession) return;
        const QVariantMap changed = propertyMap(args.at(1));
        auto it = changed.find(QStringLiteral("Active"));
        if (it == changed.end()) return;
        const auto active = strictBool(*it);
        if (!active) return;
        trace(*active ? "logind: session active" : "logind: session inactive");
        sessionActive_ = *active;
        presenceChanged();
        owner_.post(*active ? platform::WorkspaceNote::SessionDidBecomeActive
                            : platform::WorkspaceNote::SessionDidResignActive);
    }

private:
    DesktopWorkspaceNotes& owner_;
    bool awake_ = true;
    bool sessionActive_ = true;
    bool present_ = true;
    QDBusUnixFileDescriptor sleepLock_;
};

DesktopWorkspaceNotes::DesktopWorkspaceNotes(QString busAddress, platform::WorkspaceNotes* applications)
    : address_(std::move(busAddress)), applications_(applications), listener_(std::make_unique<Listener>(*this)) {}

DesktopWorkspaceNotes::~DesktopWorkspaceNotes() {
    listener_.reset();
    bus_.reset();
}

void DesktopWorkspaceNotes::addObserver(platform::WorkspaceNote note, platform::NoteHandler handler) {
    using platform::WorkspaceNote;
    if (note == WorkspaceNote::DidLaunchApplication || note == WorkspaceNote::DidTerminateApplication ||
        note == WorkspaceNote::DidActivateApplication) {
        if (applications_) applications_->addObserver(note, std::move(handler));
        return;
    }
    const bool first = handlers_.empty();
    handlers_.emplace(note, std::move(handler));
    if (first) listen();
}

platform::TerminationObserverId DesktopWorkspaceNotes::observeTermination(std::int32_t pid,
                                                                          std::function<void()> handler) {
    return applications_ ? applications_->observeTermination(pid, std::move(handler)) : nextId_++;
}

void DesktopWorkspaceNotes::removeTerminationObserver(platform::TerminationObserverId id) {
    if (applications_) applications_->removeTerminationObserver(id);
}

void DesktopWorkspaceNotes::post(platform::WorkspaceNote note) {
    std::vector<platform::NoteHandler> run;
    auto [from, to] = handlers_.equal_range(note);
    for (auto it = from; it != to; ++it) run.push_back(it->second);
    for (auto& h : run) h(std::nullopt);
}

void DesktopWorkspaceNotes::listen() {
    bus_ = std::make_unique<ServiceBus>(address_, BusKind::System, QStringLiteral("corvadine-logind-"));
    QDBusConnection& bus = *bus_;
    if (!bus.isConnected()) return;
    bus.connect(kLogind, kManagerPath, kManager, QStringLiteral("PrepareForSleep"), listener_.get(),
                SLOT(prepareForSleep(QDBusMessage)));
    listener_->takeSleepLock();
    // The session this program runs in; none outside a login session.
    QDBusMessage call = QDBusMessage::createMethodCall(kLogind, kManagerPath, kManager, QStringLiteral("GetSession"));
    call << QStringLiteral("auto");
    bus.callWithCallback(call, listener_.get(), SLOT(sessionFound(QDBusMessage)));
}

} // namespace corv::desktop

#include "DesktopWorkspaceNotes.moc"
