#include "platform/desktop/apps/DesktopApps.h"

#include "platform/desktop/apps/DesktopEntry.h"
#include "platform/desktop/shell/FileText.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <set>

#include <unistd.h>

namespace corv::desktop {

namespace {

namespace fs = std::filesystem;

// Larger files are no desktop entries.
constexpr std::uintmax_t kMaxEntrySize = 1 << 20;

std::string env(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : fallback;
}

std::string home() { return env("HOME", "/"); }

std::vector<std::string> splitList(const std::string& text, char separator) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = text.find(separator, start);
        std::string part = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!part.empty()) out.push_back(std::move(part));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return out;
}

std::optional<std::string> readSmallFile(const fs::path& path) {
    std::error_code error;
    if (!fs::is_regular_file(path, error) || fs::file_size(path, error) > kMaxEntrySize || error) return std::nullopt;
    return readFileText(path.string(), kMaxEntrySize);
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool hidden(const std::string& text) {
    return entryValue(text, "Hidden") == "true" || entryValue(text, "NoDisplay") == "true" ||
           entryValue(text, "Type").value_or("Application") != "Application";
}

std::optional<DesktopApp> readEntry(const fs::path& path, std::string id) {
    auto text = readSmallFile(path);
    if (!text || hidden(*text)) return std::nullopt;
    std::string name = entryValue(*text, "Name").value_or(id);
    return DesktopApp{std::move(id), path.string(), std::move(name), std::move(*text)};
}

// systemd's unit-name escapes: \xNN.
std::string unescapeUnit(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' && std::isxdigit(static_cast<unsigned char>(s[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 3]))) {
            out += static_cast<char>(std::stoi(std::string(s.substr(i + 2, 2)), nullptr, 16));
            i += 3;
            continue;
        }
        out += s[i];
    }
    return out;
}

std::string join(const std::vector<std::string_view>& parts, std::size_t from, std::size_t to) {
    std::string out;
    for (std::size_t i = from; i < to; ++i) {
        if (i > from) out += '-';
        out += parts[i];
    }
    return out;
}

// The [section] of a mimeapps.list holding the type: its entries in order.
std::vector<std::string> mimeAppsEntries(const std::string& text, std::string_view section,
                                         const std::string& mimeType) {
    std::vector<std::string> out;
    bool inSection = false;
    for (const std::string& raw : splitList(text, '\n')) {
        std::string line = raw;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            inSection = line == std::string("[").append(section).append("]");
            continue;
        }
        const auto eq = line.find('=');
        if (!inSection || eq == std::string::npos || line.substr(0, eq) != mimeType) continue;
        for (const std::string& e : splitList(line.substr(eq + 1), ';')) out.push_back(e);
    }
    return out;
}

std::string withoutSuffix(std::string id) {
    constexpr std::string_view suffix = ".desktop";
    if (id.size() > suffix.size() && id.compare(id.size() - suffix.size(), suffix.size(), suffix) == 0)
        id.erase(id.size() - suffix.size());
    return id;
}

} // namespace

std::optional<std::string> desktopIdFromCgroup(std::string_view cgroupText,
                                               const std::function<bool(const std::string&)>& installed) {
    // The last path component of the unified hierarchy's line ("0::/...").
    std::string_view line = cgroupText;
    if (const auto unified = cgroupText.find("0::"); unified != std::string_view::npos)
        line = cgroupText.substr(unified + 3);
    line = line.substr(0, line.find('\n'));
    std::string_view unit = line.substr(line.rfind('/') == std::string_view::npos ? 0 : line.rfind('/') + 1);

    const bool scope = unit.ends_with(".scope");
    if (!unit.starts_with("app-") || !(scope || unit.ends_with(".service"))) return std::nullopt;
    unit.remove_prefix(4);
    unit.remove_suffix(scope ? 6 : 8);
    if (!scope) unit = unit.substr(0, unit.find('@'));

    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const auto dash = unit.find('-', start);
        parts.push_back(unit.substr(start, dash == std::string_view::npos ? std::string_view::npos : dash - start));
        if (dash == std::string_view::npos) break;
        start = dash + 1;
    }
    // A scope ends in a random part.
    if (scope) {
        if (parts.size() < 2) return std::nullopt;
        parts.pop_back();
    }
    // With a launcher in front, or without one.
    std::vector<std::string> candidates;
    if (parts.size() > 1) candidates.push_back(unescapeUnit(join(parts, 1, parts.size())));
    candidates.push_back(unescapeUnit(join(parts, 0, parts.size())));
    std::erase_if(candidates, [](const std::string& c) { return c.empty(); });
    if (candidates.empty()) return std::nullopt;
    if (installed)
        for (const auto& c : candidates)
            if (installed(c)) return c;
    return candidates.front();
}

std::vector<std::string> DesktopApps::applicationDirectories() {
    std::vector<std::string> dirs{env("XDG_DATA_HOME", home() + "/.local/share") + "/applications"};
    for (const auto& d : splitList(env("XDG_DATA_DIRS", "/usr/local/share:/usr/share"), ':'))
        dirs.push_back(d + "/applications");
    return dirs;
}

DesktopApps::Entries DesktopApps::all() {
    const auto now = std::chrono::steady_clock::now();
    {
        // While one thread scans, the others keep to the last list.
        const std::lock_guard lock(mutex_);
        if (entries_ && (scanning_ || now - scanned_ < rescanAfter_)) return entries_;
        scanning_ = true;
    }
    auto fresh = std::make_shared<std::vector<DesktopApp>>();
    std::set<std::string> seen;
    for (const auto& dir : applicationDirectories()) {
        std::error_code error;
        fs::recursive_directory_iterator it(dir, error), end;
        for (; !error && it != end; it.increment(error)) {
            if (it.depth() > 2) it.disable_recursion_pending();
            const fs::path& path = it->path();
            if (path.extension() != ".desktop") continue;
            // The id: the path under the directory, slashes turned to dashes.
            std::string id = withoutSuffix(fs::relative(path, dir, error).string());
            std::replace(id.begin(), id.end(), '/', '-');
            if (!seen.insert(id).second) continue;  // an earlier directory wins
            if (auto app = readEntry(path, id)) fresh->push_back(std::move(*app));
        }
    }
    const std::lock_guard lock(mutex_);
    entries_ = std::move(fresh);
    scanned_ = now;
    scanning_ = false;
    return entries_;
}

std::optional<DesktopApp> DesktopApps::byId(const std::string& id) {
    const Entries apps = all();
    for (const auto& app : *apps)
        if (app.id == id) return app;
    return std::nullopt;
}

std::optional<DesktopApp> DesktopApps::byPath(const std::string& path) {
    const Entries apps = all();
    for (const auto& app : *apps)
        if (app.path == path) return app;
    // An entry outside the application directories counts only when its file
    // is executable: anyone can leave one where a download lands.
    if (!path.ends_with(".desktop") || ::access(path.c_str(), X_OK) != 0) return std::nullopt;
    return readEntry(path, withoutSuffix(fs::path(path).filename().string()));
}

std::optional<DesktopApp> DesktopApps::byWindowClass(const std::string& instance, const std::string& windowClass) {
    const Entries entries = all();
    const std::vector<DesktopApp>& apps = *entries;
    // StartupWMClass names the class or the instance (the desktops try
    // both), as written, else in another case.
    for (bool exact : {true, false})
        for (const std::string& key : {windowClass, instance}) {
            if (key.empty()) continue;
            for (const auto& app : apps) {
                const std::string named = entryValue(app.text, "StartupWMClass").value_or("");
                if (!named.empty() && (exact ? named == key : lower(named) == lower(key))) return app;
            }
        }
    for (const std::string& key : {windowClass, instance}) {
        if (key.empty()) continue;
        const std::string wanted = lower(key);
        for (const auto& app : apps) {
            // The last part of a reverse-DNS id counts as well.
            const std::string id = lower(app.id);
            const auto dot = id.rfind('.');
            if (id == wanted || (dot != std::string::npos && id.substr(dot + 1) == wanted)) return app;
        }
    }
    return std::nullopt;
}

std::optional<DesktopApp> DesktopApps::defaultFor(const std::string& mimeType) {
    std::vector<std::string> lists{env("XDG_CONFIG_HOME", home() + "/.config") + "/mimeapps.list"};
    for (const auto& d : splitList(env("XDG_CONFIG_DIRS", "/etc/xdg"), ':')) lists.push_back(d + "/mimeapps.list");
    for (const auto& d : applicationDirectories()) lists.push_back(d + "/mimeapps.list");
    for (const auto& list : lists) {
        const auto text = readSmallFile(list);
        if (!text) continue;
        for (const char* section : {"Default Applications", "Added Associations"})
            for (const auto& entry : mimeAppsEntries(*text, section, mimeType))
                if (auto app = byId(withoutSuffix(entry))) return app;
    }
    const Entries apps = all();
    for (const auto& app : *apps)
        for (const auto& type : splitList(entryValue(app.text, "MimeType").value_or(""), ';'))
            if (type == mimeType) return app;
    return std::nullopt;
}

} // namespace corv::desktop
