#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>

namespace corv::platform {

namespace {

Services g_services;
bool g_installed = false;

template <class T>
T& require(T* p, const char* what) {
    if (!p) {
        std::fprintf(stderr, "corvadine: platform service '%s' is not installed\n", what);
        std::abort();
    }
    return *p;
}

} // namespace

void install(const Services& services) {
    g_services = services;
    g_installed = true;
}

void uninstall() {
    g_services = Services{};
    g_installed = false;
}

bool installed() { return g_installed; }

const Services& installedServices() { return g_services; }

RunLoop& runLoop() { return require(g_services.runLoop, "run loop"); }
UserDefaults& defaults() { return require(g_services.defaults, "user defaults"); }
LoginItems& loginItems() { return require(g_services.loginItems, "login items"); }
Bundle& bundle() { return require(g_services.bundle, "bundle"); }
FileSystem& files() { return require(g_services.files, "file system"); }
AppControl& app() { return require(g_services.app, "application"); }
EventTaps& eventTaps() { return require(g_services.eventTaps, "event taps"); }
HidSystem& hidSystem() { return require(g_services.hidSystem, "HID system"); }
IoRegistry& ioRegistry() { return require(g_services.ioRegistry, "I/O registry"); }
Multitouch& multitouch() { return require(g_services.multitouch, "multitouch"); }
WindowServer& windowServer() { return require(g_services.windowServer, "window server"); }
LoginWindow& loginWindow() { return require(g_services.loginWindow, "login window"); }
AudioInput& audioInput() { return require(g_services.audioInput, "audio input"); }
Processes& processes() { return require(g_services.processes, "processes"); }
ScreenLock& screenLock() { return require(g_services.screenLock, "screen lock"); }
Background& background() { return require(g_services.background, "background"); }
Displays& displays() { return require(g_services.displays, "displays"); }
DisplayLinks& displayLinks() { return require(g_services.displayLinks, "display links"); }
Spaces& spaces() { return require(g_services.spaces, "spaces"); }
Accessibility& accessibility() { return require(g_services.accessibility, "accessibility"); }
Workspace& workspace() { return require(g_services.workspace, "workspace"); }
InputSources& inputSources() { return require(g_services.inputSources, "input sources"); }
Bluetooth& bluetooth() { return require(g_services.bluetooth, "Bluetooth"); }
UserNotifications& notifications() { return require(g_services.notifications, "user notifications"); }
HidDevices& hidDevices() { return require(g_services.hidDevices, "HID devices"); }
HidEventSystem& hidEventSystem() { return require(g_services.hidEventSystem, "HID event system"); }
ProcessInfo& processInfo() { return require(g_services.processInfo, "process info"); }
Lifecycle& lifecycle() { return require(g_services.lifecycle, "application lifecycle"); }
StatusBar& statusBar() { return require(g_services.statusBar, "status bar"); }
Windows& windows() { return require(g_services.windows, "windows"); }
WorkspaceNotes& workspaceNotes() { return require(g_services.workspaceNotes, "workspace notifications"); }
FileEvents& fileEvents() { return require(g_services.fileEvents, "file events"); }
Preferences& preferences() { return require(g_services.preferences, "preferences"); }
AxObservers& axObservers() { return require(g_services.axObservers, "accessibility observers"); }
AppFolders& appFolders() { return require(g_services.appFolders, "application folders"); }

} // namespace corv::platform
