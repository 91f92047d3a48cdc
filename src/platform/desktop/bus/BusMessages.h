#pragma once

#include <QVariant>
#include <QVariantMap>

#include <optional>

class QDBusMessage;

namespace corv::desktop {

// Whether the message's arguments are exactly of the signature `expected`.
// A message that is not is to be ignored whole: nothing of it is extracted.
// The first mismatch of each `what` is said once on standard error.
bool hasSignature(const QDBusMessage& message, const char* expected, const char* what);

// A demarshalled value (unwrapped from its variant) when it is a boolean;
// nothing for any other type, which is never converted.
std::optional<bool> strictBool(QVariant value);

// An argument of a message whose signature says a{sv}, whether it came as a
// demarshalled map or still as a QDBusArgument.
QVariantMap propertyMap(const QVariant& value);

} // namespace corv::desktop
