#pragma once

// Where installed applications are found: the application folders and their
// bundles, and the desktop's own application entries.

#include <optional>
#include <string>
#include <vector>

namespace corv::platform {

// What the file system says of one enumerated item.
struct AppItemValues {
    bool isExecutable = false;
    bool isApplication = false;
    bool isSymbolicLink = false;
    bool isAliasFile = false;
};

// An application the desktop lists (an XDG desktop entry).
struct DesktopApplication {
    std::string id;    // the desktop-file id
    std::string name;  // its Name
    std::string path;  // the entry file
    std::string icon;  // its Icon: a theme name or an absolute path
    std::string exec;  // the program its Exec starts; empty when none
};

class AppFolders {
public:
    virtual ~AppFolders() = default;
    // The application folders of the local, user and system domains, in this
    // order; a folder may be missing.
    virtual std::vector<std::string> applicationFolders() = 0;
    // Every item under the folder, recursively and in enumeration order,
    // hidden ones included, without entering packages (folders whose name
    // has an extension) or following links; unreadable items are passed over.
    virtual std::vector<std::string> enumerate(const std::string& folder) = 0;
    // Nothing when the item cannot be read.
    virtual std::optional<AppItemValues> resourceValues(const std::string& path) = 0;
    // The bundle's identifier; nothing when it does not open as a bundle or
    // has none.
    virtual std::optional<std::string> bundleIdentifier(const std::string& path) = 0;
    // The desktop's applications, each id once (the first data folder wins).
    virtual std::vector<DesktopApplication> desktopApplications() = 0;
    // The application the one entry file lists; nothing when it lists none.
    virtual std::optional<DesktopApplication> desktopApplicationAt(const std::string& path) = 0;
    // The folder of the user's own desktop entries, else the first folder of
    // entries there is; empty when there is none.
    virtual std::string userEntryFolder() = 0;
};

} // namespace corv::platform
