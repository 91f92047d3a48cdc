#pragma once

#include "platform/Platform.h"
#include "platform/desktop/DesktopAccessibility.h"
#include "platform/desktop/DesktopAppFolders.h"
#include "platform/desktop/DesktopAppControl.h"
#include "platform/desktop/DesktopAudioInput.h"
#include "platform/desktop/DesktopBackground.h"
#include "platform/desktop/DesktopBluetooth.h"
#include "platform/desktop/DesktopDisplayLinks.h"
#include "platform/desktop/DesktopDisplays.h"
#include "platform/desktop/DesktopDock.h"
#include "platform/desktop/DesktopBundle.h"
#include "platform/desktop/DesktopEventTaps.h"
#include "platform/desktop/DesktopFileSystem.h"
#include "platform/desktop/DesktopHidDevices.h"
#include "platform/desktop/DesktopHidEventSystem.h"
#include "platform/desktop/DesktopHidSystem.h"
#include "platform/desktop/DesktopInputSources.h"
#include "platform/desktop/DesktopIoRegistry.h"
#include "platform/desktop/DesktopLoginItems.h"
#include "platform/desktop/DesktopLoginWindow.h"
#include "platform/desktop/DesktopMultitouch.h"
#include "platform/desktop/DesktopProcessInfo.h"
#include "platform/desktop/DesktopProcesses.h"
#include "platform/desktop/DesktopRunLoop.h"
#include "platform/desktop/DesktopScreenLock.h"
#include "platform/desktop/DesktopSpaces.h"
#include "platform/desktop/DesktopUserDefaults.h"
#include "platform/desktop/DesktopUserNotifications.h"
#include "platform/desktop/DesktopWindowServer.h"
#include "platform/desktop/DesktopWorkspace.h"
#include "platform/desktop/DesktopLifecycle.h"
#include "platform/desktop/DesktopStatusBar.h"
#include "platform/desktop/DesktopWindows.h"
#include "platform/desktop/DesktopWorkspaceNotes.h"
#include "platform/desktop/DesktopFileEvents.h"
#include "platform/desktop/DesktopPreferences.h"
#include "platform/desktop/DesktopAxObservers.h"

#include <QString>

namespace corv::desktop {

// Where the machine keeps its files and buses; an empty entry means the
// standard place.
struct DesktopLocations {
    QString defaultsFile;
    QString autostartDirectory;
    QString systemBusAddress = {};
    QString sessionBusAddress = {};
    QString instanceSocket = {};
    DesktopInputConfig input = {};
};

// The Qt-backed machine. Constructing it (after the QApplication) installs its
// services; destroying it removes them.
class DesktopPlatform {
public:
    explicit DesktopPlatform(const DesktopLocations& locations = {});
    ~DesktopPlatform();
    DesktopPlatform(const DesktopPlatform&) = delete;
    DesktopPlatform& operator=(const DesktopPlatform&) = delete;

    // The run loop comes first so that it is the last to go.
    DesktopRunLoop runLoop;
    DesktopUserDefaults defaults;
    DesktopLoginItems loginItems;
    DesktopBundle bundle;
    DesktopFileSystem files;
    DesktopAppControl app;
    DesktopEventTaps eventTaps;
    DesktopHidSystem hidSystem;
    DesktopIoRegistry ioRegistry;
    DesktopMultitouch multitouch;
    DesktopWindowServer windowServer;
    DesktopLoginWindow loginWindow;
    DesktopAudioInput audioInput;
    DesktopProcesses processes;
    DesktopScreenLock screenLock;
    DesktopBackground background;
    DesktopAccessibility accessibility;
    DesktopAppFolders appFolders;
    DesktopWorkspace workspace;
    DesktopInputSources inputSources;
    DesktopDisplays displays;
    DesktopDisplayLinks displayLinks;
    DesktopSpaces spaces;
    DesktopBluetooth bluetooth;
    DesktopUserNotifications notifications;
    DesktopHidDevices hidDevices;
    DesktopHidEventSystem hidEventSystem;
    DesktopProcessInfo processInfo;
    DesktopLifecycle lifecycle;
    DesktopStatusBar statusBar;
    DesktopWindows windows;
    DesktopWorkspaceNotes workspaceNotes;
    DesktopFileEvents fileEvents;
    DesktopPreferences preferences;
    DesktopAxObservers axObservers;
    // The program's posts pass the desktop's stand-in for the Dock.
    DesktopDock dock{eventTaps, runLoop};

private:
    platform::Services services();
};

} // namespace corv::desktop
