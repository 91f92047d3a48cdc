#include "platform/desktop/bus/GnomeScreenSaver.h"

#include "platform/desktop/bus/BusMessages.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

#include <optional>

namespace corv::desktop {

namespace {

const QString kService = QStringLiteral("org.gnome.ScreenSaver");
const QString kPath = QStringLiteral("/org/gnome/ScreenSaver");
// A session's first call starts the service.
constexpr int kAnswerBoundMs = 2000;

std::optional<bool> activeOf(const QDBusMessage& message, const char* what) {
    if (message.type() == QDBusMessage::ErrorMessage || !hasSignature(message, "b", what)) return std::nullopt;
    return strictBool(message.arguments().front());
}

} // namespace

GnomeScreenSaver::GnomeScreenSaver(const QDBusConnection& bus, std::function<void(bool)> changed)
    : bus_(bus), changed_(std::move(changed)) {
    // Heard only from the owner of the name.
    bus_.connect(kService, kPath, kService, QStringLiteral("ActiveChanged"), this,
                 SLOT(onActiveChanged(QDBusMessage)));
}

GnomeScreenSaver::~GnomeScreenSaver() {
    bus_.disconnect(kService, kPath, kService, QStringLiteral("ActiveChanged"), this,
                    SLOT(onActiveChanged(QDBusMessage)));
}

void GnomeScreenSaver::ask(std::function<void(bool)> answer) {
    const auto call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("GetActive"));
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kAnswerBoundMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, answer = std::move(answer)] {
        watcher->deleteLater();
        answer(activeOf(watcher->reply(), "a GetActive reply").value_or(false));
    });
}

void GnomeScreenSaver::onActiveChanged(const QDBusMessage& signal) {
    if (const auto active = activeOf(signal, "an ActiveChanged signal"); active && changed_) changed_(*active);
}

} // namespace corv::desktop
