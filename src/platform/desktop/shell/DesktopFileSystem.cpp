#include "platform/desktop/shell/DesktopFileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include <algorithm>

namespace corv::desktop {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

bool DesktopFileSystem::exists(const std::string& path) const {
    return !path.empty() && QFileInfo::exists(q(path));
}

std::optional<Bytes> DesktopFileSystem::readFile(const std::string& path) const {
    if (path.empty() || !QFileInfo(q(path)).isFile()) return std::nullopt;
    QFile file(q(path));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    constexpr std::size_t limit = platform::kMaxReadFileBytes;
    const qint64 claimed = file.size();
    if (claimed > static_cast<qint64>(limit)) return std::nullopt;
    // Read straight into the result, and never past the limit even when the
    // file holds more than it claimed.
    Bytes out(static_cast<std::size_t>(std::max<qint64>(claimed, 0)) + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == out.size()) {
            if (used > limit) return std::nullopt;
            out.resize(std::min(2 * used, limit + 1));
        }
        const qint64 n = file.read(reinterpret_cast<char*>(out.data() + used), static_cast<qint64>(out.size() - used));
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    out.resize(used);
    return out;
}

bool DesktopFileSystem::writeFile(const std::string& path, const Bytes& data) {
    if (path.empty()) return false;
    QSaveFile file(q(path));
    if (!file.open(QIODevice::WriteOnly)) return false;
    const auto size = static_cast<qint64>(data.size());
    // A short write, a failed flush (a full disk, a file-size limit) or any
    // error on the way leaves the old file as it was. commit() alone would
    // rename a file whose buffered tail never reached the disk.
    if (file.write(reinterpret_cast<const char*>(data.data()), size) != size || !file.flush() ||
        file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

std::string DesktopFileSystem::currentDirectory() const { return QDir::currentPath().toStdString(); }

bool DesktopFileSystem::isDirectory(const std::string& path) const {
    return !path.empty() && QFileInfo(q(path)).isDir();
}

bool DesktopFileSystem::isExecutable(const std::string& path) const {
    return !path.empty() && QFileInfo(q(path)).isExecutable();
}

std::optional<Bytes> DesktopFileSystem::readPrefix(const std::string& path, std::size_t count) const {
    if (path.empty()) return std::nullopt;
    QFile file(q(path));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray raw = file.read(static_cast<qint64>(count));
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return Bytes(raw.begin(), raw.end());
}

std::string DesktopFileSystem::homeDirectory() const { return QDir::homePath().toStdString(); }

} // namespace corv::desktop
