#include "platform/sim/SimPlatform.h"

#include <algorithm>

namespace corv::sim {

bool SimLoginItems::contains(const std::string& path) {
    if (!available) return false;
    return std::find(items.begin(), items.end(), path) != items.end();
}

bool SimLoginItems::add(const std::string& path) {
    ++addCalls;
    if (contains(path) || !available || failChanges) return false;
    items.push_back(path);
    return true;
}

bool SimLoginItems::remove(const std::string& path) {
    ++removeCalls;
    if (!contains(path) || failChanges) return false;
    items.erase(std::remove(items.begin(), items.end(), path), items.end());
    return true;
}

bool SimFileSystem::exists(const std::string& path) const {
    return fileContents.count(path) != 0 ||
           std::find(directories.begin(), directories.end(), path) != directories.end();
}

std::optional<Bytes> SimFileSystem::readFile(const std::string& path) const {
    if (std::find(unreadable.begin(), unreadable.end(), path) != unreadable.end()) return std::nullopt;
    auto it = fileContents.find(path);
    if (it == fileContents.end()) return std::nullopt;
    return it->second;
}

bool SimFileSystem::writeFile(const std::string& path, const Bytes& data) {
    fileContents[path] = data;
    return true;
}

bool SimFileSystem::isDirectory(const std::string& path) const {
    return std::find(directories.begin(), directories.end(), path) != directories.end();
}

bool SimFileSystem::isExecutable(const std::string& path) const {
    return exists(path) && std::find(executables.begin(), executables.end(), path) != executables.end();
}

std::optional<Bytes> SimFileSystem::readPrefix(const std::string& path, std::size_t count) const {
    auto content = readFile(path);
    if (content && content->size() > count) content->resize(count);
    return content;
}

SimPlatform::SimPlatform() {
    platform::Services s;
    s.runLoop = &runLoop;
    s.defaults = &defaults;
    s.loginItems = &loginItems;
    s.bundle = &bundle;
    s.files = &files;
    s.app = &app;
    s.eventTaps = &events;
    s.hidSystem = &hid;
    s.ioRegistry = &registry;
    s.multitouch = &multitouch;
    s.windowServer = &windowServer;
    s.loginWindow = &loginWindow;
    s.audioInput = &audio;
    s.processes = &processes;
    s.screenLock = &screenLock;
    s.background = &background;
    s.displays = &displays;
    s.displayLinks = &displayLinks;
    s.spaces = &spaces;
    s.accessibility = &accessibility;
    s.workspace = &workspace;
    s.inputSources = &inputSources;
    s.bluetooth = &bluetooth;
    s.notifications = &notifications;
    s.hidDevices = &hidDevices;
    s.hidEventSystem = &hidServices;
    s.processInfo = &processInfo;
    s.lifecycle = &lifecycle;
    s.statusBar = &statusBar;
    s.windows = &windows;
    s.workspaceNotes = &workspaceNotes;
    s.fileEvents = &fileEvents;
    s.preferences = &preferences;
    s.axObservers = &axObservers;
    s.appFolders = &appFolders;
    platform::install(s);
    for (SimJournal** j : {&events.journal, &hid.journal, &multitouch.journal, &bluetooth.journal, &hidDevices.journal,
                           &hidServices.journal})
        *j = &journal;
}

SimPlatform::~SimPlatform() { platform::uninstall(); }

} // namespace corv::sim
