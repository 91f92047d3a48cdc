#pragma once

// What python3-dbusmock's notification_daemon template on a private bus was
// asked, and what it shows: it numbers each new notice 1, 2, … and a notice
// that replaces another keeps that one's number.

#include "support/PrivateBus.h"

#include <QDBusArgument>
#include <QDBusVariant>

#include <map>
#include <vector>

namespace corv::test {

inline const QString kNotificationService = "org.freedesktop.Notifications";
inline const QString kNotificationPath = "/org/freedesktop/Notifications";

struct MockCall {
    QString method;
    QVariantList args;  // unwrapped from their variants
};

// Every call the mock at the path took, in order.
inline std::vector<MockCall> mockCalls(PrivateBus& bus, const QString& service, const QString& path) {
    std::vector<MockCall> out;
    const QDBusMessage reply = bus.mock(service, path, "GetCalls");
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return out;
    // a(tsav): a time stamp, the method and its arguments.
    const auto calls = reply.arguments().front().value<QDBusArgument>();
    calls.beginArray();
    while (!calls.atEnd()) {
        quint64 stamp = 0;
        MockCall call;
        calls.beginStructure();
        calls >> stamp >> call.method >> call.args;
        calls.endStructure();
        for (QVariant& arg : call.args)
            if (arg.metaType() == QMetaType::fromType<QDBusVariant>()) arg = arg.value<QDBusVariant>().variant();
        out.push_back(std::move(call));
    }
    calls.endArray();
    return out;
}

// The titles of the notices on screen: posted, and neither replaced nor closed.
inline std::vector<QString> noticesShown(PrivateBus& bus) {
    std::map<uint, QString> shown;
    uint next = 1;
    for (const MockCall& call : mockCalls(bus, kNotificationService, kNotificationPath)) {
        if (call.method == "Notify" && call.args.size() >= 4) {
            const uint replaces = call.args[1].toUInt();
            shown[replaces ? replaces : next++] = call.args[3].toString();
        } else if (call.method == "CloseNotification" && !call.args.isEmpty()) {
            shown.erase(call.args[0].toUInt());
        }
    }
    std::vector<QString> titles;
    for (const auto& [id, title] : shown) titles.push_back(title);
    return titles;
}

} // namespace corv::test
