#pragma once

// The installed desktop applications (.desktop entries under the XDG data
// directories), the default handler of a MIME type, and which application a
// process belongs to. Application ids are desktop-file ids without the
// ".desktop" suffix (for example "org.gnome.Terminal").

#include <chrono>
#include <functional>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corv::desktop {

struct DesktopApp {
    std::string id;
    std::string path;  // of the .desktop file
    std::string name;  // Name=, else the id
    std::string text;  // the whole entry
    bool operator==(const DesktopApp&) const = default;
};

// The desktop-file id in the name of a cgroup (app-<launcher>-<id>-<n>.scope
// or app-<launcher>-<id>[@<n>].service, systemd escapes undone) of a
// /proc/<pid>/cgroup text; of the candidates, the first `installed` knows,
// else the likeliest. Nothing when the process is in no application's unit.
std::optional<std::string> desktopIdFromCgroup(std::string_view cgroupText,
                                               const std::function<bool(const std::string& id)>& installed = {});

// Safe on any thread: the running applications are listed in the background
// while the main thread looks entries up.
class DesktopApps {
public:
    // Entries are read again when a lookup comes this long after the last scan.
    static constexpr std::chrono::seconds kRescanAfter{30};
    explicit DesktopApps(std::chrono::steady_clock::duration rescanAfter = kRescanAfter) : rescanAfter_(rescanAfter) {}

    // $XDG_DATA_HOME and $XDG_DATA_DIRS (or their defaults), each with
    // "applications", most important first.
    static std::vector<std::string> applicationDirectories();

    std::optional<DesktopApp> byId(const std::string& id);
    // An entry of the application directories, or an executable entry file elsewhere.
    std::optional<DesktopApp> byPath(const std::string& path);
    // The entry whose StartupWMClass is the window's class or instance (as
    // written first, then ignoring case), else whose id is the class or
    // instance, ignoring case.
    std::optional<DesktopApp> byWindowClass(const std::string& instance, const std::string& windowClass);
    // The default application of a MIME type: mimeapps.list, then any entry
    // listing the type.
    std::optional<DesktopApp> defaultFor(const std::string& mimeType);

private:
    using Entries = std::shared_ptr<const std::vector<DesktopApp>>;
    // The entries as of the last scan; a list once given out is never changed.
    Entries all();

    const std::chrono::steady_clock::duration rescanAfter_;
    std::mutex mutex_;
    Entries entries_;
    std::chrono::steady_clock::time_point scanned_{};
    bool scanning_ = false;
};

} // namespace corv::desktop
