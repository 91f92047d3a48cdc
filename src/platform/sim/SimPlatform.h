#pragma once

#include "platform/Platform.h"
#include "platform/sim/SimAccessibility.h"
#include "platform/sim/SimAppFolders.h"
#include "platform/sim/SimAudioInput.h"
#include "platform/sim/SimBackground.h"
#include "platform/sim/SimBluetooth.h"
#include "platform/sim/SimDisplayLinks.h"
#include "platform/sim/SimDisplays.h"
#include "platform/sim/SimEventSystem.h"
#include "platform/sim/SimHidDevices.h"
#include "platform/sim/SimHidEventSystem.h"
#include "platform/sim/SimHidSystem.h"
#include "platform/sim/SimInputSources.h"
#include "platform/sim/SimIoRegistry.h"
#include "platform/sim/SimJournal.h"
#include "platform/sim/SimLoginWindow.h"
#include "platform/sim/SimMultitouch.h"
#include "platform/sim/SimProcessInfo.h"
#include "platform/sim/SimProcesses.h"
#include "platform/sim/SimRunLoop.h"
#include "platform/sim/SimScreenLock.h"
#include "platform/sim/SimSpaces.h"
#include "platform/sim/SimUserDefaults.h"
#include "platform/sim/SimUserNotifications.h"
#include "platform/sim/SimWindowServer.h"
#include "platform/sim/SimWorkspace.h"
#include "platform/sim/SimLifecycle.h"
#include "platform/sim/SimStatusBar.h"
#include "platform/sim/SimWindows.h"
#include "platform/sim/SimWorkspaceNotes.h"
#include "platform/sim/SimFileEvents.h"
#include "platform/sim/SimPreferences.h"
#include "platform/sim/SimAxObservers.h"

#include <map>
#include <string>
#include <vector>

namespace corv::sim {

// The session's login items as a plain list of paths.
class SimLoginItems final : public platform::LoginItems {
public:
    bool contains(const std::string& path) override;
    bool add(const std::string& path) override;
    bool remove(const std::string& path) override;

    std::vector<std::string> items;
    bool available = true;      // false: the list cannot be opened
    bool failChanges = false;   // true: insertions and removals fail
    int addCalls = 0;
    int removeCalls = 0;
};

class SimBundle final : public platform::Bundle {
public:
    std::optional<std::string> shortVersion() const override { return version; }
    std::string path() const override { return bundlePath; }
    std::vector<std::string> arguments() const override { return args; }

    std::optional<std::string> version = std::string("26.12.07");
    std::string bundlePath = "/opt/corvadine/corvadine";
    std::vector<std::string> args{"/opt/corvadine/corvadine"};
};

// An in-memory file tree: files with content, and directories.
class SimFileSystem final : public platform::FileSystem {
public:
    bool exists(const std::string& path) const override;
    std::optional<Bytes> readFile(const std::string& path) const override;
    bool writeFile(const std::string& path, const Bytes& data) override;
    std::string currentDirectory() const override { return cwd; }
    bool isDirectory(const std::string& path) const override;
    bool isExecutable(const std::string& path) const override;
    std::optional<Bytes> readPrefix(const std::string& path, std::size_t count) const override;
    std::string homeDirectory() const override { return home; }

    std::map<std::string, Bytes> fileContents;
    std::vector<std::string> directories;
    std::vector<std::string> unreadable;
    // Entries with execute permission.
    std::vector<std::string> executables;
    std::string cwd = "/home/user";
    std::string home = "/home/user";
};

class SimAppControl final : public platform::AppControl {
public:
    void hide() override { ++hideCount; }
    int hideCount = 0;
};

class SimStatusItem final : public platform::StatusItem {
public:
    void setVisible(bool v) override {
        visible = v;
        ++setCount;
    }
    bool isVisible() const override { return visible; }
    bool visible = true;
    int setCount = 0;
};

// The whole simulated machine. Constructing it installs its services;
// destroying it removes them.
class SimPlatform {
public:
    SimPlatform();
    ~SimPlatform();
    SimPlatform(const SimPlatform&) = delete;
    SimPlatform& operator=(const SimPlatform&) = delete;

    SimJournal journal;
    SimRunLoop runLoop;
    SimUserDefaults defaults;
    SimLoginItems loginItems;
    SimBundle bundle;
    SimFileSystem files;
    SimAppControl app;
    SimEventSystem events{runLoop};
    SimHidSystem hid{events};
    SimIoRegistry registry;
    SimMultitouch multitouch;
    SimWindowServer windowServer;
    SimLoginWindow loginWindow;
    SimAudioInput audio;
    SimProcesses processes{runLoop};
    SimScreenLock screenLock;
    SimBackground background;
    SimDisplays displays;
    SimDisplayLinks displayLinks{displays};
    SimSpaces spaces;
    SimAccessibility accessibility;
    SimWorkspace workspace;
    SimAppFolders appFolders;
    SimInputSources inputSources;
    SimBluetooth bluetooth;
    SimUserNotifications notifications;
    SimHidDevices hidDevices{runLoop};
    SimHidEventSystem hidServices{runLoop};
    SimProcessInfo processInfo{events};
    SimLifecycle lifecycle;
    SimStatusBar statusBar;
    SimWindows windows{runLoop};
    SimWorkspaceNotes workspaceNotes;
    SimFileEvents fileEvents;
    SimPreferences preferences;
    SimAxObservers axObservers;
};

} // namespace corv::sim
