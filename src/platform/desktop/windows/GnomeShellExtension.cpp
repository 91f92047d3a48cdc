#include "platform/desktop/windows/GnomeShellExtension.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace corv::desktop {

namespace {

const char* const kFiles[] = {"metadata.json", "extension.js"};

// The shell versions the extension is made for.
constexpr int kOldestShell = 43;
constexpr int kNewestShell = 44;

QString shipped(const char* name) {
    return QStringLiteral(":/gnome-shell/%1/%2").arg(QString::fromLatin1(kGnomeExtensionUuid), QString::fromLatin1(name));
}

} // namespace

QString gnomeExtensionFolder(const QString& dataHome) {
    const QString base =
        dataHome.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) : dataHome;
    return base + QStringLiteral("/gnome-shell/extensions/") + QString::fromLatin1(kGnomeExtensionUuid);
}

bool gnomeExtensionFits(int shellMajor) { return shellMajor >= kOldestShell && shellMajor <= kNewestShell; }

ExtensionCopy installGnomeExtension(const QString& folder) {
    bool wrote = false;
    for (const char* name : kFiles) {
        QFile source(shipped(name));
        if (!source.open(QIODevice::ReadOnly)) return ExtensionCopy::Failed;
        const QByteArray content = source.readAll();
        const QString path = folder + QLatin1Char('/') + QString::fromLatin1(name);
        QFile present(path);
        if (present.open(QIODevice::ReadOnly) && present.readAll() == content) continue;
        if (!QDir().mkpath(folder)) return ExtensionCopy::Failed;
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size() || !out.commit())
            return ExtensionCopy::Failed;
        wrote = true;
    }
    return wrote ? ExtensionCopy::Written : ExtensionCopy::Current;
}

ExtensionState extensionStateOf(std::optional<double> shellState) {
    if (!shellState) return ExtensionState::Unknown;
    switch (static_cast<int>(*shellState)) {
    case 1:  // enabled
        return ExtensionState::Enabled;
    case 2:  // disabled
    case 6:  // initialised
        return ExtensionState::Disabled;
    default:  // error, out of date, downloading, uninstalled
        return ExtensionState::Failed;
    }
}

std::optional<ExtensionNotice> extensionNotice(ExtensionState state, ExtensionCopy copy, int shellMajor,
                                               const QString& folder) {
    const std::string title = "Corvadine does not see which application is in front";
    const std::string uuid = kGnomeExtensionUuid;
    if (shellMajor != 0 && !gnomeExtensionFits(shellMajor))
        return ExtensionNotice{title, "Its GNOME Shell extension runs on GNOME " + std::to_string(kOldestShell) +
                                          " and " + std::to_string(kNewestShell) + " only, not on GNOME " +
                                          std::to_string(shellMajor) +
                                          ": the global profile applies to every application."};
    if (copy == ExtensionCopy::Failed)
        return ExtensionNotice{title, "Its GNOME Shell extension could not be copied to " + folder.toStdString() +
                                          ": the global profile applies to every application."};
    switch (state) {
    case ExtensionState::Unknown:
        return ExtensionNotice{title, "Its GNOME Shell extension is installed in " + folder.toStdString() +
                                          ". Log out and back in, then turn on \"Corvadine\" in Extensions "
                                          "(or run: gnome-extensions enable " + uuid + ")."};
    case ExtensionState::Disabled:
        return ExtensionNotice{title, "Turn on its GNOME Shell extension \"Corvadine\" in Extensions "
                                      "(or run: gnome-extensions enable " + uuid + ")."};
    case ExtensionState::Failed:
        return ExtensionNotice{title, "Its GNOME Shell extension \"Corvadine\" failed to start" +
                                          std::string(copy == ExtensionCopy::Written
                                                          ? "; a new copy is installed: log out and back in."
                                                          : ": see Extensions.")};
    case ExtensionState::Enabled:
        // Turned on but not on the bus: a copy written now runs after the next login.
        if (copy == ExtensionCopy::Written)
            return ExtensionNotice{title, "Its GNOME Shell extension was updated: log out and back in."};
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace corv::desktop
