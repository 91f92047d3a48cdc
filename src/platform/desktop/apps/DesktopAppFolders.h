#pragma once

#include "platform/AppFolders.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace corv::desktop {

// Application bundles under configurable folders, and the XDG desktop
// entries of the data folders.
class DesktopAppFolders final : public platform::AppFolders {
public:
    // Empty lists mean the standard places: /Applications, ~/Applications and
    // /System/Applications; $XDG_DATA_HOME and $XDG_DATA_DIRS.
    explicit DesktopAppFolders(std::vector<std::string> folders = {}, std::vector<std::string> dataDirs = {});

    std::vector<std::string> applicationFolders() override { return folders_; }
    std::vector<std::string> enumerate(const std::string& folder) override;
    std::optional<platform::AppItemValues> resourceValues(const std::string& path) override;
    std::optional<std::string> bundleIdentifier(const std::string& path) override;
    std::vector<platform::DesktopApplication> desktopApplications() override;
    // Kept per path and read again only when the file's modification time,
    // size or inode changes; safe on any thread.
    std::optional<platform::DesktopApplication> desktopApplicationAt(const std::string& path) override;
    std::string userEntryFolder() override;

    static std::vector<std::string> standardDataDirs();

    // At most this many entries are kept, well above the entries of a large
    // installation, all of which the panel's picker shows; one more starts the
    // cache afresh.
    static constexpr std::size_t kMaxCachedEntries = 4096;

private:
    struct FileStamp {
        std::int64_t seconds = 0, nanoseconds = 0, size = 0;
        std::uint64_t inode = 0, device = 0;
        bool operator==(const FileStamp&) const = default;
    };
    struct CachedEntry {
        FileStamp stamp;
        std::optional<platform::DesktopApplication> app;
    };
    std::optional<platform::DesktopApplication> readDesktopApplicationAt(const std::string& path);
    // The entry files the desktop shows, (id, path), the first data folder first.
    std::vector<std::pair<std::string, std::string>> entryFiles() const;

    std::vector<std::string> folders_;
    std::vector<std::string> dataDirs_;
    std::mutex cacheMutex_;
    std::unordered_map<std::string, CachedEntry> cache_;
};

// One desktop entry: nothing when it is no application to list (another
// Type, NoDisplay, Hidden, or no Name).
std::optional<platform::DesktopApplication> readDesktopApplication(const std::string& text);

} // namespace corv::desktop
