#pragma once

// A status item's menu as trays that draw menus themselves read it, over the
// com.canonical.dbusmenu interface: a root (id 0) holding one entry per menu
// item (ids from 1). A new menu is a new layout revision, told to the trays;
// a chosen entry acts on a later turn of the main loop.

#include "platform/StatusBar.h"

#include <QDBusArgument>
#include <QDBusContext>
#include <QDBusVariant>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <vector>

namespace corv::desktop {

inline constexpr const char* kDbusMenuPath = "/StatusNotifierMenu";

// (ia{sv}av): an entry, its properties and its children, each a variant
// holding the same structure.
struct DbusMenuLayout {
    int id = 0;
    QVariantMap properties;
    std::vector<DbusMenuLayout> children;
};
// (ia{sv})
struct DbusMenuProperties {
    int id = 0;
    QVariantMap properties;
};
// (ias)
struct DbusMenuRemovedProperties {
    int id = 0;
    QStringList names;
};
// (isvu)
struct DbusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};

QDBusArgument& operator<<(QDBusArgument& a, const DbusMenuLayout& l);
const QDBusArgument& operator>>(const QDBusArgument& a, DbusMenuLayout& l);

void registerDbusMenuTypes();

class DbusMenu final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    DbusMenu();

    void setItems(std::vector<platform::MenuItem> items);
    bool isEmpty() const { return items_.empty(); }

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

    // Qt's bus finds the types of arguments by their full names.
public Q_SLOTS:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   corv::desktop::DbusMenuLayout& layout);
    QList<corv::desktop::DbusMenuProperties> GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const QList<corv::desktop::DbusMenuEvent>& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

Q_SIGNALS:
    void LayoutUpdated(uint revision, int parent);
    void ItemsPropertiesUpdated(const QList<corv::desktop::DbusMenuProperties>& updatedProps,
                                const QList<corv::desktop::DbusMenuRemovedProperties>& removedProps);
    void ItemActivationRequested(int id, uint timestamp);

private:
    bool has(int id) const { return id >= 0 && id <= int(items_.size()); }
    QVariantMap properties(int id, const QStringList& names) const;
    // Whether the id is known; answers the caller with an error when not.
    bool known(int id);
    void act(int id, const QString& eventId);

    std::vector<platform::MenuItem> items_;
    uint revision_ = 0;
};

} // namespace corv::desktop

Q_DECLARE_METATYPE(corv::desktop::DbusMenuLayout)
Q_DECLARE_METATYPE(corv::desktop::DbusMenuProperties)
Q_DECLARE_METATYPE(corv::desktop::DbusMenuRemovedProperties)
Q_DECLARE_METATYPE(corv::desktop::DbusMenuEvent)
