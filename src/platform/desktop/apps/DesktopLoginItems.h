#pragma once

#include "platform/LoginItems.h"

#include <QString>
#include <QStringList>

namespace corv::desktop {

// Login items as XDG autostart entries: every *.desktop file in the autostart
// folder whose Exec= program is the path, unless the entry is disabled.
class DesktopLoginItems final : public platform::LoginItems {
public:
    // The user's autostart folder.
    DesktopLoginItems();
    explicit DesktopLoginItems(QString directory);

    bool contains(const std::string& path) override;
    bool add(const std::string& path) override;
    bool remove(const std::string& path) override;

    // $XDG_CONFIG_HOME/autostart
    static QString standardDirectory();
    const QString& directory() const { return dir_; }

private:
    QStringList entriesFor(const std::string& path) const;
    QString freeEntryPath() const;

    QString dir_;
};

} // namespace corv::desktop
