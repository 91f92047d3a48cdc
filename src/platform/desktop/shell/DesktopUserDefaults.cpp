#include "platform/desktop/shell/DesktopUserDefaults.h"

#include "platform/PropertyList.h"
#include "platform/Utf8.h"
#include "platform/desktop/shell/DesktopFileSystem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

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
    if (!QFileInfo::exists(path_)) return;
    // Whatever cannot be read (a huge file included) is left where it is and
    // the defaults start empty.
    keepOldFile_ = true;
    const auto bytes = DesktopFileSystem().readFile(path_.toStdString());
    if (!bytes) return;
    try {
        plist::Node root = plist::parse(*bytes);
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

// "<time>" or "<time>-<n>" of a copy's name, as (time, n); none for any other
// file. Copies sort in the order they were made: by time, then by number.
std::optional<std::pair<QString, qulonglong>> copyKey(const QString& fileName, const QString& prefix) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{8}-\\d{6}-\\d{3})(?:-(\\d{1,9}))?\\.bak$"));
    if (!fileName.startsWith(prefix)) return std::nullopt;
    const QRegularExpressionMatch m = pattern.match(fileName.mid(prefix.size()));
    if (!m.hasMatch()) return std::nullopt;
    return std::pair(m.captured(1), m.captured(2).toULongLong());
}

} // namespace

QStringList DesktopUserDefaults::copyPaths() const {
    const QFileInfo info(path_);
    const QString prefix = info.fileName() + QLatin1Char('.');
    std::vector<std::pair<std::pair<QString, qulonglong>, QString>> copies;
    for (const QString& n : QDir(info.absolutePath()).entryList({prefix + QStringLiteral("*.bak")}, QDir::Files | QDir::Hidden))
        if (auto key = copyKey(n, prefix)) copies.emplace_back(std::move(*key), n);
    std::sort(copies.begin(), copies.end());
    QStringList out;
    for (const auto& c : copies) out << info.absoluteDir().filePath(c.second);
    return out;
}

bool DesktopUserDefaults::keepCopy() const {
    const QString stem = path_ + QLatin1Char('.') +
                         QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    QString copy = stem + QStringLiteral(".bak");
    // An older copy is never overwritten.
    for (int n = 1; QFileInfo::exists(copy); ++n) copy = stem + QLatin1Char('-') + QString::number(n) + QStringLiteral(".bak");
    if (!QFile::copy(path_, copy)) return false;
    // The earliest-named others go; never the copy just made, which can sort
    // first when the clock was set back.
    QStringList others = copyPaths();
    const QString made = QFileInfo(copy).fileName();
    others.removeIf([&](const QString& p) { return QFileInfo(p).fileName() == made; });
    while (others.size() >= kMaxCopies) QFile::remove(others.takeFirst());
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
    // Nothing that was not loaded is replaced without a copy. One copy is
    // enough: a write that fails leaves the file as it was.
    if (keepOldFile_ && QFileInfo::exists(path_) && !keepCopy()) return false;
    keepOldFile_ = false;
    if (!DesktopFileSystem().writeFile(path_.toStdString(), bytes)) return false;
    dirty_ = false;
    return true;
}

} // namespace corv::desktop
