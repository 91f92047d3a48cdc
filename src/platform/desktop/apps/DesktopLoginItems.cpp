#include "platform/desktop/apps/DesktopLoginItems.h"

#include "platform/desktop/apps/DesktopEntry.h"
#include "platform/desktop/shell/DesktopFileSystem.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace corv::desktop {

QString DesktopLoginItems::standardDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart");
}

DesktopLoginItems::DesktopLoginItems() : DesktopLoginItems(standardDirectory()) {}

DesktopLoginItems::DesktopLoginItems(QString directory) : dir_(std::move(directory)) {}

QStringList DesktopLoginItems::entriesFor(const std::string& path) const {
    QStringList out;
    const QDir dir(dir_);
    const QStringList names = dir.entryList({QStringLiteral("*.desktop")}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : names) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QByteArray raw = file.readAll();
        const std::string_view text(raw.constData(), static_cast<std::size_t>(raw.size()));
        // A disabled entry starts nothing at login.
        if (execProgramOf(text) == path && autostartEnabled(text)) out.push_back(file.fileName());
    }
    return out;
}

bool DesktopLoginItems::contains(const std::string& path) { return !entriesFor(path).isEmpty(); }

// corvadine.desktop, or a numbered name when another program's entry holds it.
QString DesktopLoginItems::freeEntryPath() const {
    const QDir dir(dir_);
    QString candidate = dir.filePath(QStringLiteral("corvadine.desktop"));
    for (int n = 2; QFile::exists(candidate); ++n)
        candidate = dir.filePath(QStringLiteral("corvadine-%1.desktop").arg(n));
    return candidate;
}

bool DesktopLoginItems::add(const std::string& path) {
    if (contains(path)) return false;
    if (!QDir().mkpath(dir_)) return false;
    const std::string text = autostartEntryFor(path);
    return DesktopFileSystem().writeFile(freeEntryPath().toStdString(), Bytes(text.begin(), text.end()));
}

bool DesktopLoginItems::remove(const std::string& path) {
    const QStringList entries = entriesFor(path);
    bool removedAll = !entries.isEmpty();
    for (const QString& entry : entries) {
        if (!QFile::remove(entry)) removedAll = false;
    }
    return removedAll;
}

} // namespace corv::desktop
