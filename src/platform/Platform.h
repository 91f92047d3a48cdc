#pragma once

// The services the system reaches the machine through. One implementation is
// installed at a time: the simulation in tests, the desktop one in the program.

#include "platform/Accessibility.h"
#include "platform/AppControl.h"
#include "platform/AppFolders.h"
#include "platform/AudioInput.h"
#include "platform/Background.h"
#include "platform/Bluetooth.h"
#include "platform/Bundle.h"
#include "platform/DisplayLink.h"
#include "platform/Displays.h"
#include "platform/EventTaps.h"
#include "platform/FileSystem.h"
#include "platform/HidDevices.h"
#include "platform/HidEventSystem.h"
#include "platform/HidSystem.h"
#include "platform/InputSources.h"
#include "platform/IoRegistry.h"
#include "platform/LoginItems.h"
#include "platform/LoginWindow.h"
#include "platform/Multitouch.h"
#include "platform/ProcessInfo.h"
#include "platform/Processes.h"
#include "platform/RunLoop.h"
#include "platform/ScreenLock.h"
#include "platform/Spaces.h"
#include "platform/UserDefaults.h"
#include "platform/UserNotifications.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"
#include "platform/Lifecycle.h"
#include "platform/StatusBar.h"
#include "platform/Windows.h"
#include "platform/WorkspaceNotes.h"
#include "platform/FileEvents.h"
#include "platform/Preferences.h"
#include "platform/AxObservers.h"

namespace corv::platform {

struct Services {
    RunLoop* runLoop = nullptr;
    UserDefaults* defaults = nullptr;
    LoginItems* loginItems = nullptr;
    Bundle* bundle = nullptr;
    FileSystem* files = nullptr;
    AppControl* app = nullptr;
    EventTaps* eventTaps = nullptr;
    HidSystem* hidSystem = nullptr;
    IoRegistry* ioRegistry = nullptr;
    Multitouch* multitouch = nullptr;
    WindowServer* windowServer = nullptr;
    LoginWindow* loginWindow = nullptr;
    AudioInput* audioInput = nullptr;
    Processes* processes = nullptr;
    ScreenLock* screenLock = nullptr;
    Background* background = nullptr;
    Displays* displays = nullptr;
    DisplayLinks* displayLinks = nullptr;
    Spaces* spaces = nullptr;
    Accessibility* accessibility = nullptr;
    Workspace* workspace = nullptr;
    InputSources* inputSources = nullptr;
    Bluetooth* bluetooth = nullptr;
    UserNotifications* notifications = nullptr;
    HidDevices* hidDevices = nullptr;
    HidEventSystem* hidEventSystem = nullptr;
    ProcessInfo* processInfo = nullptr;
    Lifecycle* lifecycle = nullptr;
    StatusBar* statusBar = nullptr;
    Windows* windows = nullptr;
    WorkspaceNotes* workspaceNotes = nullptr;
    FileEvents* fileEvents = nullptr;
    Preferences* preferences = nullptr;
    AxObservers* axObservers = nullptr;
    AppFolders* appFolders = nullptr;
};

// Installs the services; every pointer must outlive its use.
void install(const Services& services);
// Removes the installed services.
void uninstall();
bool installed();
// The services installed now (tests replace some of them).
const Services& installedServices();

// Each accessor requires the service to be installed.
RunLoop& runLoop();
UserDefaults& defaults();
LoginItems& loginItems();
Bundle& bundle();
FileSystem& files();
AppControl& app();
EventTaps& eventTaps();
HidSystem& hidSystem();
IoRegistry& ioRegistry();
Multitouch& multitouch();
WindowServer& windowServer();
LoginWindow& loginWindow();
AudioInput& audioInput();
Processes& processes();
ScreenLock& screenLock();
Background& background();
Displays& displays();
DisplayLinks& displayLinks();
Spaces& spaces();
Accessibility& accessibility();
Workspace& workspace();
InputSources& inputSources();
Bluetooth& bluetooth();
UserNotifications& notifications();
HidDevices& hidDevices();
HidEventSystem& hidEventSystem();
ProcessInfo& processInfo();
Lifecycle& lifecycle();
StatusBar& statusBar();
Windows& windows();
WorkspaceNotes& workspaceNotes();
FileEvents& fileEvents();
Preferences& preferences();
AxObservers& axObservers();
AppFolders& appFolders();

} // namespace corv::platform
