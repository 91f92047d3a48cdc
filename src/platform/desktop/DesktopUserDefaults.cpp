#include "platform/desktop/DesktopUserDefaults.h"

#include "platform/PropertyList.h"
#include "platform/Utf8.h"
#include "platform/desktop/DesktopFileSystem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace corv::desktop {

namespace {

using platform::DefaultsValue;

// Integers, reals, bools, strings and data; any other kind is skipped.
std::optional<DefaultsValue> fromNode(plist_t n) {
    try {
        if (plist::isInteger(n)) return DefaultsValue(plist::readSigned(n));
        if (plist::isReal(n)) return DefaultsValue(plist::readReal(n));
    } catch (const plist::CodingError&) {
        return std::nullopt;
    }
    try {
        return DefaultsValue(plist::readBool(n));
    } catch (const plist::CodingError&) {
    }
    try {
        return DefaultsValue(plist::readString(n));
    } catch (const plist::CodingError&) {
    }
    try {
        return DefaultsValue(plist::readData(n));
    } catch (const plist::CodingError&) {
    }
    return std::nullopt;
}

plist::Node toNode(const DefaultsValue& v) {
    struct Visitor {
        plist::Node operator()(std::int64_t i) const { return plist::makeSigned(i); }
        plist::Node operator()(double d) const { return plist::makeReal(d); }
        plist::Node operator()(bool b) const { return plist::makeBool(b); }
        plist::Node operator()(const std::string& s) const { return plist::makeString(s); }
        plist::Node operator()(const Bytes& b) const { return plist::makeData(b); }
    };
    return std::visit(Visitor{}, v);
}

} // namespace

QString DesktopUserDefaults::standardPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/corvadine/defaults.plist");
}

DesktopUserDefaults::DesktopUserDefaults() : DesktopUserDefaults(standardPath()) {}

DesktopUserDefaults::DesktopUserDefaults(QString filePath) : path_(std::move(filePath)) { load(); }

DesktopUserDefaults::~DesktopUserDefaults() {
    if (dirty_) write();
}

void DesktopUserDefaults::load() {
    QFile file(path_);
    if (!file.exists()) return;
    // Whatever cannot be read is left where it is and the defaults start empty.
    keepOldFile_ = true;
    if (!file.open(QIODevice::ReadOnly)) return;
    const QByteArray raw = file.readAll();
    if (file.error() != QFileDevice::NoError) return;
    try {
        const Bytes bytes(raw.begin(), raw.end());
        plist::Node root = plist::parse(bytes);
        if (!plist::isDict(root.get())) return;
        bool lost = false;
        for (const auto& [key, node] : plist::rawDictEntries(root.get())) {
            auto v = isCleanUtf8(key) ? fromNode(node) : std::nullopt;
            if (v) values_.insert_or_assign(key, std::move(*v));
            else lost = true;
        }
        // An entry that did not read is kept in the copy made before the first write.
        keepOldFile_ = lost;
    } catch (const plist::CodingError&) {
        return;
    }
}

std::optional<DefaultsValue> DesktopUserDefaults::value(const std::string& key) const {
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void DesktopUserDefaults::set(const std::string& key, DefaultsValue value) {
    values_.insert_or_assign(key, std::move(value));
    dirty_ = true;
}

void DesktopUserDefaults::remove(const std::string& key) {
    if (values_.erase(key) != 0) dirty_ = true;
}

bool DesktopUserDefaults::synchronize() { return !dirty_ || write(); }

void DesktopUserDefaults::keepCopyBeforeNextWrite() { keepOldFile_ = true; }

namespace {

// Copy names sort in the order they were made: the name without ".bak" of a
// later copy of the same millisecond extends the earlier one's.
QString copyKey(const QString& fileName) { return fileName.chopped(4); }

} // namespace

QStringList DesktopUserDefaults::copyPaths() const {
    const QFileInfo info(path_);
    QStringList names = QDir(info.absolutePath())
                            .entryList({info.fileName() + QStringLiteral(".*.bak")}, QDir::Files | QDir::Hidden);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return copyKey(a) < copyKey(b); });
    QStringList out;
    for (const QString& n : names) out << info.absoluteDir().filePath(n);
    return out;
}

bool DesktopUserDefaults::keepCopy() const {
    const QString stem = path_ + QLatin1Char('.') +
                         QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    QString copy = stem + QStringLiteral(".bak");
    // An older copy is never overwritten.
    for (int n = 1; QFileInfo::exists(copy); ++n) copy = stem + QLatin1Char('-') + QString::number(n) + QStringLiteral(".bak");
    if (!QFile::copy(path_, copy)) return false;
    QStringList copies = copyPaths();
    while (copies.size() > kMaxCopies) QFile::remove(copies.takeFirst());
    return true;
}

bool DesktopUserDefaults::write() {
    Bytes bytes;
    try {
        plist::Node root = plist::newDict();
        for (const auto& [key, v] : values_) plist::dictSet(root, key, toNode(v));
        bytes = plist::toBinary(root);
    } catch (const plist::CodingError&) {
        return false;
    }
    const QFileInfo info(path_);
    if (!QDir().mkpath(info.absolutePath())) return false;
    // Nothing that was not loaded is replaced without a copy.
    if (keepOldFile_ && QFileInfo::exists(path_) && !keepCopy()) return false;
    if (!DesktopFileSystem().writeFile(path_.toStdString(), bytes)) return false;
    dirty_ = false;
    keepOldFile_ = false;
    return true;
}

} // namespace corv::desktop
