#include "platform/desktop/bus/BusMessages.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>

#include <cstdio>
#include <set>
#include <string>

namespace corv::desktop {

bool hasSignature(const QDBusMessage& message, const char* expected, const char* what) {
    const QString actual = message.signature();
    if (actual == QLatin1String(expected)) return true;
    // Main thread only, like every bus slot.
    static std::set<std::string> said;
    if (said.insert(what).second)
        std::fprintf(stderr, "corvadine: ignored %s of signature \"%s\" (expected \"%s\")\n", what,
                     actual.toUtf8().constData(), expected);
    return false;
}

std::optional<bool> strictBool(QVariant value) {
    if (value.metaType() == QMetaType::fromType<QDBusVariant>()) value = value.value<QDBusVariant>().variant();
    if (value.metaType() != QMetaType::fromType<bool>()) return std::nullopt;
    return value.toBool();
}

QVariantMap propertyMap(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
        QVariantMap out;
        value.value<QDBusArgument>() >> out;
        return out;
    }
    return value.toMap();
}

} // namespace corv::desktop
