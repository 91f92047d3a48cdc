#include "platform/desktop/apps/DesktopWorkspace.h"

#include "platform/desktop/apps/DesktopEntry.h"
#include "platform/desktop/shell/FileText.h"
#include "platform/desktop/shell/SessionBusAddress.h"
#include "platform/desktop/x11/X11Session.h"

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

std::optional<WmClass> classOf(const CompositorWindow& window) {
    if (window.wmInstance.empty() && window.wmClass.empty()) return std::nullopt;
    return WmClass{window.wmInstance, window.wmClass};
}

QUrl qurl(const Url& url) { return QUrl(QString::fromStdString(url.absoluteString())); }

} // namespace

X11Session& DesktopWorkspace::x11() { return x11_ ? *x11_ : X11Session::standard(); }

std::optional<DesktopApp> DesktopWorkspace::appOfProcess(std::int32_t pid, const std::optional<WmClass>& wmClass,
                                                         const std::string& appId) {
    // The window's app id or class says what the process shows, even when a
    // terminal or launcher started it; the cgroup serves processes without
    // windows. An app id is the entry's id, else its StartupWMClass.
    if (!appId.empty()) {
        if (auto app = apps_.byId(appId)) return app;
        if (auto app = apps_.byWindowClass(appId, appId)) return app;
    }
    if (wmClass)
        if (auto app = apps_.byWindowClass(wmClass->first, wmClass->second)) return app;
    const auto id = desktopIdFromCgroup(procText(pid, "cgroup"),
                                        [this](const std::string& c) { return apps_.byId(c).has_value(); });
    return id ? apps_.byId(*id) : std::nullopt;
}

std::optional<platform::RunningApplication> DesktopWorkspace::runningApplication(std::int32_t pid) {
    if (pid <= 0) return std::nullopt;
    if (compositor_) {
        // The process's topmost window names it.
        const auto list = compositor_->windows();
        for (auto it = list.windows.rbegin(); it != list.windows.rend(); ++it)
            if (it->pid == pid) return applicationOf(pid, classOf(*it), it->appId);
        return applicationOf(pid, std::nullopt);
    }
    auto& x = x11();
    std::optional<WmClass> wmClass;
    for (const auto& [w, owner] : x.clientPids())
        if (owner == pid) {
            wmClass = x.wmClass(w);
            break;
        }
    return applicationOf(pid, wmClass);
}

std::optional<platform::RunningApplication> DesktopWorkspace::applicationOf(std::int32_t pid,
                                                                           const std::optional<WmClass>& wmClass,
                                                                           const std::string& appId) {
    if (pid <= 0) return std::nullopt;
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
    if (auto entry = appOfProcess(pid, wmClass, appId)) {
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
    if (compositor_) {
        for (const auto& window : compositor_->windows().windows) {
            if (window.pid <= 0 || !seen.insert(window.pid).second) continue;
            if (auto app = applicationOf(window.pid, classOf(window), window.appId)) out.push_back(std::move(*app));
        }
        return out;
    }
    auto& x = x11();
    // A process whose windows no taskbar lists (a panel, a tray, a desktop)
    // is no application to choose.
    const auto listed = x.taskbarClients();
    const auto clients = x.clientPids();
    std::set<std::int32_t> shown;
    for (const auto& [w, pid] : clients)
        if (std::find(listed.begin(), listed.end(), w) != listed.end()) shown.insert(pid);
    for (const auto& [w, pid] : clients) {
        if (pid <= 0 || !seen.insert(pid).second) continue;
        auto app = runningApplication(pid);
        if (!app) continue;
        if (!shown.count(pid)) app->activationPolicy = platform::ActivationPolicy::Accessory;
        out.push_back(std::move(*app));
    }
    return out;
}

bool DesktopWorkspace::isActive(std::int32_t pid) {
    if (compositor_) {
        const auto focused = focusedWindow(compositor_->windows());
        return focused && focused->pid == pid;
    }
    auto& x = x11();
    const XWindowId active = x.activeWindow();
    return active && x.pidOf(active) == pid;
}

bool DesktopWorkspace::activate(std::int32_t pid) {
    if (compositor_) {
        const auto list = compositor_->windows();
        if (const auto focused = focusedWindow(list); focused && focused->pid == pid) return true;
        // The topmost window of the process.
        for (auto it = list.windows.rbegin(); it != list.windows.rend(); ++it)
            if (it->pid == pid) return compositor_->activate(it->id);
        return false;
    }
    auto& x = x11();
    // The window a raise has just asked for: the manager may not have made it
    // active yet.
    XWindowId window = x.lastActivated();
    if (!window || x.pidOf(window) != pid) {
        window = 0;
        // The topmost window of the process.
        for (const auto& [w, owner] : x.clientPids())
            if (owner == pid) window = w;
    }
    if (!window) return false;
    x.activate(window);
    return true;
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
