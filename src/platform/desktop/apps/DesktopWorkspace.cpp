#include "platform/desktop/apps/DesktopWorkspace.h"

#include "platform/desktop/apps/DesktopEntry.h"
#include "platform/desktop/shell/FileText.h"
#include "platform/desktop/shell/SessionBusAddress.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeDatabase>
#include <QProcess>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <set>

#include <unistd.h>

namespace corv::desktop {

namespace {

std::string procText(std::int32_t pid, const char* leaf) {
    return readFileText("/proc/" + std::to_string(pid) + "/" + leaf).value_or("");
}

std::optional<std::string> executableOf(std::int32_t pid) {
    std::error_code error;
    auto target = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
    if (error || target.empty()) return std::nullopt;
    return target.string();
}

// The program's name: the first word of its command line without the
// folder, else its short name.
std::string processName(std::int32_t pid) {
    const std::string cmdline = procText(pid, "cmdline");
    std::string first = cmdline.substr(0, cmdline.find('\0'));
    if (const auto slash = first.rfind('/'); slash != std::string::npos) first.erase(0, slash + 1);
    if (!first.empty()) return first;
    std::string comm = procText(pid, "comm");
    if (!comm.empty() && comm.back() == '\n') comm.pop_back();
    return comm;
}

bool spawnDetached(const std::vector<std::string>& argv) {
    if (argv.empty()) return false;
    QStringList args;
    for (std::size_t i = 1; i < argv.size(); ++i) args << QString::fromStdString(argv[i]);
    QProcess process;
    process.setProgram(QString::fromStdString(argv.front()));
    process.setArguments(args);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    restoreBusEnvironment(process);
    return process.startDetached();
}

bool launch(const DesktopApp& app, const std::vector<std::string>& targets) {
    auto argv = execArgumentsOf(app.text, targets);
    return argv && spawnDetached(*argv);
}

QUrl qurl(const Url& url) { return QUrl(QString::fromStdString(url.absoluteString())); }

} // namespace

std::optional<DesktopApp> DesktopWorkspace::appOfProcess(std::int32_t pid, const CompositorWindow* window) {
    const std::string appId = window ? window->appId : std::string();
    // The window's app id or class says what the process shows, even when a
    // terminal or launcher started it; the cgroup serves processes without
    // windows. An app id is the entry's id, else its StartupWMClass.
    if (!appId.empty()) {
        if (auto app = apps_.byId(appId)) return app;
        if (auto app = apps_.byWindowClass(appId, appId)) return app;
    }
    if (window && (!window->wmInstance.empty() || !window->wmClass.empty()))
        if (auto app = apps_.byWindowClass(window->wmInstance, window->wmClass)) return app;
    const auto id = desktopIdFromCgroup(procText(pid, "cgroup"),
                                        [this](const std::string& c) { return apps_.byId(c).has_value(); });
    return id ? apps_.byId(*id) : std::nullopt;
}

std::optional<platform::RunningApplication> DesktopWorkspace::runningApplication(std::int32_t pid) {
    if (pid <= 0) return std::nullopt;
    // The process's topmost window names it.
    const auto list = windows_.windows();
    for (auto it = list.windows.rbegin(); it != list.windows.rend(); ++it)
        if (it->pid == pid) return applicationOf(pid, &*it);
    return applicationOf(pid, nullptr);
}

std::optional<platform::RunningApplication> DesktopWorkspace::applicationOf(std::int32_t pid,
                                                                           const CompositorWindow* window) {
    if (pid <= 0) return std::nullopt;
    const std::string appId = window ? window->appId : std::string();
    if (isStandInPid(pid)) {
        // No process to read: the app id alone names the application.
        if (appId.empty()) return std::nullopt;
        platform::RunningApplication app;
        app.pid = pid;
        // Our own windows' app id: Qt's desktop file name, else the executable's name.
        const QString own = QGuiApplication::desktopFileName().isEmpty()
                                ? QFileInfo(QCoreApplication::applicationFilePath()).fileName()
                                : QGuiApplication::desktopFileName();
        if (QString::fromStdString(appId) == own) app.activationPolicy = platform::ActivationPolicy::Accessory;
        auto entry = apps_.byId(appId);
        if (!entry) entry = apps_.byWindowClass(appId, appId);
        if (entry) {
            app.bundleIdentifier = entry->id;
            app.bundlePath = entry->path;
            app.localizedName = entry->name;
        } else {
            app.localizedName = appId;
        }
        return app;
    }
    const auto exe = executableOf(pid);
    std::error_code error;
    if (!exe && !std::filesystem::exists("/proc/" + std::to_string(pid), error)) return std::nullopt;
    platform::RunningApplication app;
    app.pid = pid;
    app.executablePath = exe;
    // The program itself runs as a menu-bar accessory: no list of
    // applications to choose from holds it.
    if (pid == ::getpid()) app.activationPolicy = platform::ActivationPolicy::Accessory;
    if (auto entry = appOfProcess(pid, window)) {
        app.bundleIdentifier = entry->id;
        app.bundlePath = entry->path;
        app.localizedName = entry->name;
    } else {
        // Without an entry the executable names the application.
        app.bundlePath = exe;
        app.localizedName = processName(pid);
    }
    return app;
}

std::vector<platform::RunningApplication> DesktopWorkspace::runningApplications() {
    std::vector<platform::RunningApplication> out;
    std::set<std::int32_t> seen;
    const auto list = windows_.windows();
    // A process whose windows no taskbar lists (a panel, a tray, a desktop)
    // is no application to choose.
    std::set<std::int32_t> listed;
    for (const auto& w : list.windows)
        if (w.inTaskbar) listed.insert(w.pid);
    // Each process named by its topmost window.
    for (auto it = list.windows.rbegin(); it != list.windows.rend(); ++it) {
        if (it->pid <= 0 || !seen.insert(it->pid).second) continue;
        auto app = applicationOf(it->pid, &*it);
        if (!app) continue;
        if (!listed.count(it->pid)) app->activationPolicy = platform::ActivationPolicy::Accessory;
        out.push_back(std::move(*app));
    }
    // Bottom to top, as the desktop lists them.
    std::reverse(out.begin(), out.end());
    return out;
}

bool DesktopWorkspace::isActive(std::int32_t pid) {
    const auto focused = windows_.focused();
    return focused && focused->pid == pid;
}

bool DesktopWorkspace::activate(std::int32_t pid) {
    // The window a raise has just asked for: the desktop may not show it as
    // focused yet.
    CompositorWindowId window = windows_.lastActivated();
    if (!window || windows_.pidOf(window) != pid) {
        const auto list = windows_.windows();
        if (const auto focused = focusedWindow(list); focused && focused->pid == pid) return true;
        // The topmost window of the process.
        window = 0;
        for (const auto& w : list.windows)
            if (w.pid == pid) window = w.id;
    }
    return window && windows_.activate(window);
}

std::optional<DesktopApp> DesktopWorkspace::handlerFor(const std::string& target, bool& isFile) {
    const QUrl url(QString::fromStdString(target));
    isFile = url.isLocalFile();
    if (isFile) {
        const QString path = url.toLocalFile();
        // An entry that is not trusted is neither started nor handed on.
        if (path.endsWith(QStringLiteral(".desktop"))) return apps_.byPath(path.toStdString());
        const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
        return apps_.defaultFor(type.name().toStdString());
    }
    if (url.scheme().isEmpty()) return std::nullopt;
    return apps_.defaultFor("x-scheme-handler/" + url.scheme().toLower().toStdString());
}

bool DesktopWorkspace::openUrl(const Url& url) {
    const std::string text = url.absoluteString();
    bool isFile = false;
    auto app = handlerFor(text, isFile);
    if (!app) return false;
    // A desktop entry itself is started, not handed to another program.
    if (isFile && app->path == qurl(url).toLocalFile().toStdString()) return launch(*app, {});
    return launch(*app, {isFile ? qurl(url).toLocalFile().toStdString() : text});
}

void DesktopWorkspace::openApplication(const Url& applicationUrl) {
    const QUrl url = qurl(applicationUrl);
    if (!url.isLocalFile()) return;
    const std::string path = url.toLocalFile().toStdString();
    if (auto app = apps_.byPath(path)) {
        launch(*app, {});
        return;
    }
    if (::access(path.c_str(), X_OK) == 0 && !std::filesystem::is_directory(path)) spawnDetached({path});
}

std::optional<Url> DesktopWorkspace::applicationToOpenUrl(const Url& url) {
    bool isFile = false;
    auto app = handlerFor(url.absoluteString(), isFile);
    if (!app) return std::nullopt;
    return Url::fileFromPath(app->path, "/");
}

std::vector<platform::RunningApplication> DesktopWorkspace::runningApplicationsWithBundleIdentifier(
    const std::string& id) {
    if (dockStandIn_ && dockStandIn_->bundleIdentifier == id) return {*dockStandIn_};
    return Workspace::runningApplicationsWithBundleIdentifier(id);
}

} // namespace corv::desktop
