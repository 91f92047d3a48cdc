#include "platform/desktop/DesktopWorkspace.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corv::desktop {

namespace {

std::string baseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<std::string> readLink(const std::string& path) {
    std::string buf(4096, '\0');
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buf.size()) return std::nullopt;
    buf.resize(static_cast<std::size_t>(n));
    // A replaced program reads "/path (deleted)".
    constexpr std::string_view deleted = " (deleted)";
    if (buf.ends_with(deleted)) buf.resize(buf.size() - deleted.size());
    return buf;
}

} // namespace

DesktopWorkspace::DesktopWorkspace(platform::AppFolders& folders, std::string procRoot)
    : folders_(folders), procRoot_(std::move(procRoot)) {}

std::vector<platform::DesktopApplication> DesktopWorkspace::entries(bool reread) {
    std::lock_guard lock(mutex_);
    if (reread || !loaded_) {
        entries_ = folders_.desktopApplications();
        loaded_ = true;
    }
    return entries_;
}

std::optional<platform::RunningApplication> DesktopWorkspace::describe(
    std::int32_t pid, const std::vector<platform::DesktopApplication>& apps) {
    const std::string dir = procRoot_ + "/" + std::to_string(pid);
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || st.st_uid != ::getuid()) return std::nullopt;
    const std::optional<std::string> exe = readLink(dir + "/exe");
    if (!exe) return std::nullopt;
    platform::RunningApplication app;
    app.pid = pid;
    app.executablePath = *exe;
    const auto match = std::find_if(apps.begin(), apps.end(), [&](const platform::DesktopApplication& a) {
        return !a.exec.empty() && (a.exec == *exe || baseName(a.exec) == baseName(*exe));
    });
    if (match != apps.end()) {
        app.bundleIdentifier = match->id;
        app.bundlePath = match->path;
        app.localizedName = match->name;
        app.activationPolicy = platform::ActivationPolicy::Regular;
        return app;
    }
    std::ifstream comm(dir + "/comm");
    std::string name;
    if (std::getline(comm, name) && !name.empty()) app.localizedName = name;
    app.activationPolicy = platform::ActivationPolicy::Prohibited;
    return app;
}

std::optional<platform::RunningApplication> DesktopWorkspace::runningApplication(std::int32_t pid) {
    if (pid <= 0) return std::nullopt;
    return describe(pid, entries(false));
}

std::vector<platform::RunningApplication> DesktopWorkspace::runningApplications() {
    const std::vector<platform::DesktopApplication> apps = entries(true);
    std::vector<std::int32_t> pids;
    if (DIR* dir = ::opendir(procRoot_.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            char* end = nullptr;
            const long pid = std::strtol(e->d_name, &end, 10);
            if (end && *end == '\0' && pid > 0 && pid <= INT32_MAX) pids.push_back(static_cast<std::int32_t>(pid));
        }
        ::closedir(dir);
    }
    std::sort(pids.begin(), pids.end());
    std::vector<platform::RunningApplication> out;
    for (std::int32_t pid : pids)
        if (auto app = describe(pid, apps)) out.push_back(std::move(*app));
    return out;
}

} // namespace corv::desktop
