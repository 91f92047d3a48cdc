#include "platform/desktop/shell/DbusMenu.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QGuiApplication>

namespace corv::desktop {

QDBusArgument& operator<<(QDBusArgument& a, const DbusMenuLayout& l) {
    a.beginStructure();
    a << l.id << l.properties;
    a.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const auto& child : l.children) a << QDBusVariant(QVariant::fromValue(child));
    a.endArray();
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, DbusMenuLayout& l) {
    a.beginStructure();
    a >> l.id >> l.properties;
    l.children.clear();
    a.beginArray();
    while (!a.atEnd()) {
        QDBusVariant child;
        a >> child;
        l.children.push_back(qdbus_cast<DbusMenuLayout>(child.variant()));
    }
    a.endArray();
    a.endStructure();
    return a;
}
QDBusArgument& operator<<(QDBusArgument& a, const DbusMenuProperties& p) {
    a.beginStructure();
    a << p.id << p.properties;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, DbusMenuProperties& p) {
    a.beginStructure();
    a >> p.id >> p.properties;
    a.endStructure();
    return a;
}
QDBusArgument& operator<<(QDBusArgument& a, const DbusMenuRemovedProperties& p) {
    a.beginStructure();
    a << p.id << p.names;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, DbusMenuRemovedProperties& p) {
    a.beginStructure();
    a >> p.id >> p.names;
    a.endStructure();
    return a;
}
QDBusArgument& operator<<(QDBusArgument& a, const DbusMenuEvent& e) {
    a.beginStructure();
    a << e.id << e.eventId << e.data << e.timestamp;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, DbusMenuEvent& e) {
    a.beginStructure();
    a >> e.id >> e.eventId >> e.data >> e.timestamp;
    a.endStructure();
    return a;
}

void registerDbusMenuTypes() {
    static const bool done = [] {
        qDBusRegisterMetaType<DbusMenuLayout>();
        qDBusRegisterMetaType<DbusMenuProperties>();
        qDBusRegisterMetaType<QList<DbusMenuProperties>>();
        qDBusRegisterMetaType<DbusMenuRemovedProperties>();
        qDBusRegisterMetaType<QList<DbusMenuRemovedProperties>>();
        qDBusRegisterMetaType<DbusMenuEvent>();
        qDBusRegisterMetaType<QList<DbusMenuEvent>>();
        return true;
    }();
    (void)done;
}

DbusMenu::DbusMenu() { registerDbusMenuTypes(); }

QString DbusMenu::textDirection() const {
    return QGuiApplication::isRightToLeft() ? QStringLiteral("rtl") : QStringLiteral("ltr");
}

void DbusMenu::setItems(std::vector<platform::MenuItem> items) {
    items_ = std::move(items);
    Q_EMIT LayoutUpdated(++revision_, 0);
}

QVariantMap DbusMenu::properties(int id, const QStringList& names) const {
    QVariantMap all;
    if (id == 0) {
        all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    } else {
        const auto& item = items_[std::size_t(id - 1)];
        // An underscore marks the access key; the title's own are doubled.
        all.insert(QStringLiteral("label"), QString::fromStdString(item.title).replace(QLatin1Char('_'), QStringLiteral("__")));
        if (!item.action) all.insert(QStringLiteral("enabled"), false);
    }
    if (names.isEmpty()) return all;
    QVariantMap asked;
    for (const QString& name : names)
        if (all.contains(name)) asked.insert(name, all.value(name));
    return asked;
}

bool DbusMenu::known(int id) {
    if (has(id)) return true;
    if (calledFromDBus()) sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no menu entry %1").arg(id));
    return false;
}

uint DbusMenu::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames, DbusMenuLayout& layout) {
    if (!known(parentId)) return revision_;
    layout = {parentId, properties(parentId, propertyNames), {}};
    if (parentId == 0 && recursionDepth != 0)
        for (int id = 1; id <= int(items_.size()); ++id) layout.children.push_back({id, properties(id, propertyNames), {}});
    return revision_;
}

QList<DbusMenuProperties> DbusMenu::GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames) {
    QList<DbusMenuProperties> out;
    // No ids: every entry.
    if (ids.isEmpty())
        for (int id = 0; id <= int(items_.size()); ++id) out.push_back({id, properties(id, propertyNames)});
    for (const int id : ids)
        if (has(id)) out.push_back({id, properties(id, propertyNames)});
    return out;
}

QDBusVariant DbusMenu::GetProperty(int id, const QString& name) {
    if (!known(id)) return {};
    const QVariantMap all = properties(id, {});
    if (!all.contains(name)) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("menu entry %1 has no property %2").arg(id).arg(name));
        return {};
    }
    return QDBusVariant(all.value(name));
}

void DbusMenu::act(int id, const QString& eventId) {
    if (eventId != QLatin1String("clicked") || id == 0) return;
    const auto& action = items_[std::size_t(id - 1)].action;
    if (action) QMetaObject::invokeMethod(this, [action] { action(); }, Qt::QueuedConnection);
}

void DbusMenu::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
    if (known(id)) act(id, eventId);
}

QList<int> DbusMenu::EventGroup(const QList<DbusMenuEvent>& events) {
    QList<int> unknown;
    for (const auto& e : events) {
        if (has(e.id)) act(e.id, e.eventId);
        else unknown.push_back(e.id);
    }
    return unknown;
}

bool DbusMenu::AboutToShow(int id) {
    (void)known(id);
    return false;
}

QList<int> DbusMenu::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    for (const int id : ids)
        if (!has(id)) idErrors.push_back(id);
    return {};
}

} // namespace corv::desktop
