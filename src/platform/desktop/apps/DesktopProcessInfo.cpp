#include "platform/desktop/apps/DesktopProcessInfo.h"

#include "platform/desktop/shell/FileText.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace corv::desktop {

namespace {

std::string procEntry(std::int32_t pid, const char* leaf) { return "/proc/" + std::to_string(pid) + "/" + leaf; }

std::optional<std::string> readAll(const std::string& path) { return readFileText(path); }

// The real user id of a status text; nothing when it has none.
std::optional<unsigned long> realUid(std::string_view status) {
    for (std::size_t at = 0; at < status.size();) {
        const auto end = std::min(status.find('\n', at), status.size());
        std::string_view line = status.substr(at, end - at);
        at = end + 1;
        if (!line.starts_with("Uid:")) continue;
        line.remove_prefix(4);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        unsigned long uid = 0;
        const auto [p, ec] = std::from_chars(line.data(), line.data() + line.size(), uid);
        if (ec != std::errc() || p == line.data()) return std::nullopt;
        return uid;
    }
    return std::nullopt;
}

// Whether any hierarchy places the process in systemd's system slice or
// init's own scope.
bool inSystemSlice(std::string_view cgroup) {
    for (std::size_t at = 0; at < cgroup.size();) {
        const auto end = std::min(cgroup.find('\n', at), cgroup.size());
        const std::string_view line = cgroup.substr(at, end - at);
        at = end + 1;
        const auto colon = line.find(':', line.find(':') + 1);
        if (colon == std::string_view::npos) continue;
        const std::string_view path = line.substr(colon + 1);
        if (path.starts_with("/system.slice/") || path == "/init.scope") return true;
    }
    return false;
}

} // namespace

bool systemProcessFrom(std::string_view status, std::string_view cgroup, unsigned ownUid) {
    const auto uid = realUid(status);
    if (uid && *uid != ownUid) return true;
    return inSystemSlice(cgroup);
}

std::optional<bool> DesktopProcessInfo::partOfSystem(std::int32_t pid) {
    if (pid <= 0) return pid == 0;
    const auto status = readAll(procEntry(pid, "status"));
    if (!status) return false;
    return systemProcessFrom(*status, readAll(procEntry(pid, "cgroup")).value_or(""), ::getuid());
}

std::int32_t DesktopProcessInfo::currentPid() { return static_cast<std::int32_t>(::getpid()); }

std::optional<std::string> DesktopProcessInfo::executablePath(std::int32_t pid) {
    if (pid <= 0) return std::nullopt;
    std::error_code error;
    const auto target = std::filesystem::read_symlink(procEntry(pid, "exe"), error);
    if (error || target.empty()) return std::nullopt;
    return target.string();
}

std::optional<std::string> DesktopProcessInfo::name(std::int32_t pid) {
    if (pid <= 0) return std::nullopt;
    std::string text = readFileText(procEntry(pid, "comm")).value_or("");
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (text.empty()) return std::nullopt;
    return text;
}

} // namespace corv::desktop
