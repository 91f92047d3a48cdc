#include "platform/desktop/apps/DesktopAppFolders.h"

#include "platform/PropertyList.h"
#include "platform/desktop/apps/DesktopEntry.h"
#include "platform/desktop/shell/FileText.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corv::desktop {

namespace {

constexpr std::size_t kMaxSmallFile = 1 << 20;

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string extensionOf(const std::string& name) {
    const auto dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot + 1);
}

std::string baseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A folder the enumeration does not enter.
bool isPackageName(const std::string& name) {
    static const std::set<std::string> kinds{"app", "bundle", "framework", "plugin", "appex", "kext"};
    return kinds.count(lower(extensionOf(name))) > 0;
}

// Entry names of a folder, sorted; empty when it cannot be read.
std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::string> readSmallFile(const std::string& path) { return readFileText(path, kMaxSmallFile); }

void walk(const std::string& folder, int depth, std::vector<std::string>& out) {
    if (depth > 64) return;
    for (const std::string& name : namesIn(folder)) {
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) continue;
        out.push_back(path);
        if (S_ISDIR(st.st_mode) && !isPackageName(name)) walk(path, depth + 1, out);
    }
}

void desktopFilesIn(const std::string& root, const std::string& prefix, int depth,
                    std::vector<std::pair<std::string, std::string>>& out) {
    if (depth > 16) return;
    for (const std::string& name : namesIn(root)) {
        const std::string path = root + "/" + name;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode))
            desktopFilesIn(path, prefix + name + "-", depth + 1, out);
        else if (S_ISREG(st.st_mode) && name.size() > 8 && name.ends_with(".desktop"))
            out.emplace_back(prefix + name, path);
    }
}

std::string withoutDesktopSuffix(std::string id) {
    if (id.ends_with(".desktop")) id.resize(id.size() - 8);
    return id;
}

bool isDesktopFile(const std::string& path) { return baseName(path).size() > 8 && path.ends_with(".desktop"); }

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.pop_back();
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    return s.substr(i);
}

} // namespace

DesktopAppFolders::DesktopAppFolders(std::vector<std::string> folders, std::vector<std::string> dataDirs)
    : folders_(std::move(folders)), dataDirs_(std::move(dataDirs)) {
    if (folders_.empty()) {
        const std::string home = env("HOME");
        folders_ = {"/Applications", home.empty() ? std::string() : home + "/Applications", "/System/Applications"};
    }
    if (dataDirs_.empty()) dataDirs_ = standardDataDirs();
}

std::vector<std::string> DesktopAppFolders::standardDataDirs() {
    std::vector<std::string> dirs;
    std::string home = env("XDG_DATA_HOME");
    if (home.empty() && !env("HOME").empty()) home = env("HOME") + "/.local/share";
    if (!home.empty()) dirs.push_back(home);
    std::string list = env("XDG_DATA_DIRS");
    if (list.empty()) list = "/usr/local/share:/usr/share";
    std::stringstream in(list);
    for (std::string d; std::getline(in, d, ':');)
        if (!d.empty()) dirs.push_back(d);
    return dirs;
}

std::vector<std::string> DesktopAppFolders::enumerate(const std::string& folder) {
    std::vector<std::string> out;
    if (folder.empty()) return out;
    walk(folder, 0, out);
    return out;
}

std::optional<platform::AppItemValues> DesktopAppFolders::resourceValues(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    platform::AppItemValues v;
    if (isDesktopFile(path)) {
        // A desktop entry is an application when it lists one.
        struct stat target {};
        const std::optional<std::string> text = readSmallFile(path);
        v.isApplication = ::stat(path.c_str(), &target) == 0 && S_ISREG(target.st_mode) && text &&
                          readDesktopApplication(*text).has_value();
        v.isExecutable = v.isApplication;
        v.isSymbolicLink = S_ISLNK(st.st_mode);
        return v;
    }
    v.isSymbolicLink = S_ISLNK(st.st_mode);
    v.isApplication = S_ISDIR(st.st_mode) && lower(extensionOf(baseName(path))) == "app";
    v.isExecutable = ::access(path.c_str(), X_OK) == 0;
    return v;
}

std::optional<std::string> DesktopAppFolders::bundleIdentifier(const std::string& path) {
    if (isDesktopFile(path)) {
        // The desktop-file id: the path under a data folder's applications
        // folder with '/' as '-', else the file's name; without ".desktop",
        // as the window under the pointer names its application.
        for (const std::string& dir : dataDirs_) {
            const std::string root = dir + "/applications/";
            if (path.rfind(root, 0) == 0) {
                std::string id = path.substr(root.size());
                std::replace(id.begin(), id.end(), '/', '-');
                return withoutDesktopSuffix(id);
            }
        }
        return withoutDesktopSuffix(baseName(path));
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    for (const char* info : {"/Contents/Info.plist", "/Info.plist"}) {
        const std::optional<std::string> text = readSmallFile(path + info);
        if (!text) continue;
        try {
            const plist::Node root = plist::parse(std::string_view(*text));
            const plist_t id = plist::dictItem(root.get(), "CFBundleIdentifier");
            if (!id) return std::nullopt;
            return plist::readString(id);
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> DesktopAppFolders::entryFiles() const {
    std::vector<std::pair<std::string, std::string>> shown;
    std::set<std::string> seen;
    for (const std::string& dir : dataDirs_) {
        std::vector<std::pair<std::string, std::string>> files;
        desktopFilesIn(dir + "/applications", "", 0, files);
        // A hidden entry in an earlier folder hides the later ones too.
        for (auto& file : files)
            if (seen.insert(file.first).second) shown.push_back(std::move(file));
    }
    return shown;
}

std::vector<platform::DesktopApplication> DesktopAppFolders::desktopApplications() {
    std::vector<platform::DesktopApplication> apps;
    const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
    const std::string currentDesktops = desktops ? desktops : "";
    for (const auto& [id, path] : entryFiles()) {
        const std::optional<std::string> text = readSmallFile(path);
        // Another desktop's own program (its help, its settings) is not listed here.
        if (!text || !shownOnDesktops(*text, currentDesktops)) continue;
        std::optional<platform::DesktopApplication> app = readDesktopApplication(*text);
        if (!app) continue;
        app->id = withoutDesktopSuffix(id);
        app->path = path;
        apps.push_back(std::move(*app));
    }
    return apps;
}

std::optional<platform::DesktopApplication> DesktopAppFolders::desktopApplicationAt(const std::string& path) {
    if (!isDesktopFile(path)) return std::nullopt;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const std::lock_guard lock(cacheMutex_);
        cache_.erase(path);
        return std::nullopt;
    }
    const FileStamp stamp{static_cast<std::int64_t>(st.st_mtim.tv_sec), static_cast<std::int64_t>(st.st_mtim.tv_nsec),
                          static_cast<std::int64_t>(st.st_size), static_cast<std::uint64_t>(st.st_ino),
                          static_cast<std::uint64_t>(st.st_dev)};
    {
        const std::lock_guard lock(cacheMutex_);
        if (const auto it = cache_.find(path); it != cache_.end() && it->second.stamp == stamp) return it->second.app;
    }
    // Read outside the lock: another thread's lookup need not wait for it.
    std::optional<platform::DesktopApplication> app = readDesktopApplicationAt(path);
    const std::lock_guard lock(cacheMutex_);
    if (cache_.size() >= kMaxCachedEntries && !cache_.count(path)) cache_.clear();
    cache_[path] = CachedEntry{stamp, app};
    return app;
}

std::optional<platform::DesktopApplication> DesktopAppFolders::readDesktopApplicationAt(const std::string& path) {
    const std::optional<std::string> text = readSmallFile(path);
    std::optional<platform::DesktopApplication> app = text ? readDesktopApplication(*text) : std::nullopt;
    if (!app) return std::nullopt;
    app->id = bundleIdentifier(path).value_or(std::string());
    app->path = path;
    return app;
}

std::optional<platform::DesktopApplication> readDesktopApplication(const std::string& text) {
    std::map<std::string, std::string> keys;
    bool inEntry = false;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) {
        line = trimmed(line);
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const auto eq = line.find('=');
        if (!inEntry || eq == std::string::npos) continue;
        keys.emplace(trimmed(line.substr(0, eq)), trimmed(line.substr(eq + 1)));
    }
    const auto get = [&](const char* k) {
        auto it = keys.find(k);
        return it == keys.end() ? std::string() : it->second;
    };
    if (get("Type") != "Application" || get("NoDisplay") == "true" || get("Hidden") == "true") return std::nullopt;
    if (get("Name").empty()) return std::nullopt;
    platform::DesktopApplication app;
    app.name = get("Name");
    app.icon = get("Icon");
    app.exec = execProgramOf(text).value_or("");
    return app;
}

std::string DesktopAppFolders::userEntryFolder() {
    // The data folders start with the user's own.
    for (const std::string& dir : dataDirs_) {
        std::error_code error;
        if (std::filesystem::is_directory(dir + "/applications", error)) return dir + "/applications";
    }
    return {};
}

} // namespace corv::desktop
