#include "platform/desktop/windows/GnomeShellExtension.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <vector>

namespace corv::desktop {

namespace {

const char* const kFiles[] = {"metadata.json", "extension.js"};
const ExtensionForm kForms[] = {ExtensionForm::Legacy, ExtensionForm::Module};
const char* const kNoticeTitle = "Corvadine does not see which application is in front";

QString shipped(ExtensionForm form, const char* name) {
    return QStringLiteral(":/gnome-shell/%1/%2/%3")
        .arg(QLatin1String(form == ExtensionForm::Legacy ? "legacy" : "module"),
             QString::fromLatin1(kGnomeExtensionUuid), QString::fromLatin1(name));
}

// The shell major versions the form's metadata lists, oldest first.
std::vector<int> shellVersions(ExtensionForm form) {
    std::vector<int> out;
    QFile file(shipped(form, "metadata.json"));
    if (!file.open(QIODevice::ReadOnly)) return out;
    const QJsonArray listed = QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String("shell-version")).toArray();
    for (const QJsonValue& version : listed) out.push_back(version.toString().toInt());
    return out;
}

} // namespace

QString gnomeExtensionFolder(const QString& dataHome) {
    const QString base =
        dataHome.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) : dataHome;
    return base + QStringLiteral("/gnome-shell/extensions/") + QString::fromLatin1(kGnomeExtensionUuid);
}

std::optional<ExtensionForm> gnomeExtensionForm(int shellMajor) {
    for (const ExtensionForm form : kForms) {
        const std::vector<int> versions = shellVersions(form);
        if (shellMajor != 0 && std::find(versions.begin(), versions.end(), shellMajor) != versions.end()) return form;
    }
    return std::nullopt;
}

ExtensionCopy installGnomeExtension(const QString& folder, ExtensionForm form) {
    bool wrote = false;
    for (const char* name : kFiles) {
        QFile source(shipped(form, name));
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
    const std::string title = kNoticeTitle;
    const std::string uuid = kGnomeExtensionUuid;
    const std::string everyApp = ": the global profile applies to every application.";
    if (shellMajor == 0)
        return ExtensionNotice{title, "GNOME Shell did not tell its version, so its GNOME Shell extension was not "
                                      "installed" + everyApp};
    if (!gnomeExtensionForm(shellMajor)) {
        const std::vector<int> oldest = shellVersions(ExtensionForm::Legacy), newest = shellVersions(ExtensionForm::Module);
        return ExtensionNotice{title, "Its GNOME Shell extension runs on GNOME " +
                                          std::to_string(oldest.empty() ? 0 : oldest.front()) + " to " +
                                          std::to_string(newest.empty() ? 0 : newest.back()) + ", not on GNOME " +
                                          std::to_string(shellMajor) + everyApp};
    }
    if (copy == ExtensionCopy::Failed)
        return ExtensionNotice{title, "Its GNOME Shell extension could not be copied to " + folder.toStdString() + everyApp};
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

ExtensionNotice nameHeldNotice(const std::string& name, const std::string& holder) {
    return {kNoticeTitle, "Its GNOME Shell extension answers only the owner of the name " + name +
                              " on the session bus, and " + holder +
                              " holds it: the global profile applies to every application until it lets it go."};
}

} // namespace corv::desktop
