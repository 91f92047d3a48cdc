#include "platform/desktop/DesktopLoginItems.h"

#include "platform/desktop/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
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
        const QByteArray text = file.readAll();
        const auto program = execProgramOf(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
        if (program && *program == path) out.push_back(file.fileName());
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
    QSaveFile file(freeEntryPath());
    if (!file.open(QIODevice::WriteOnly)) return false;
    const auto size = static_cast<qint64>(text.size());
    if (file.write(text.data(), size) != size) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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
