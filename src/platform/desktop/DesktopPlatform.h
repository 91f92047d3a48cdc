#pragma once

#include "platform/Platform.h"
#include "platform/desktop/windows/DesktopAccessibility.h"
#include "platform/desktop/apps/DesktopAppFolders.h"
#include "platform/desktop/bus/ShellViews.h"
#include "platform/desktop/windows/CompositorChoice.h"
#include "platform/desktop/windows/CompositorWindows.h"
#include "platform/desktop/apps/DesktopAppNotes.h"
#include "platform/desktop/shell/DesktopAppControl.h"
#include "platform/desktop/shell/DesktopAudioInput.h"
#include "platform/desktop/shell/DesktopBackground.h"
#include "platform/desktop/bus/DesktopBluetooth.h"
#include "platform/desktop/x11/DesktopDisplayLinks.h"
#include "platform/desktop/x11/DesktopDisplays.h"
#include "platform/desktop/windows/DesktopDock.h"
#include "platform/desktop/shell/DesktopBundle.h"
#include "platform/desktop/input/DesktopEventTaps.h"
#include "platform/desktop/shell/DesktopFileSystem.h"
#include "platform/desktop/hid/DesktopHidDevices.h"
#include "platform/desktop/input/DesktopHidEventSystem.h"
#include "platform/desktop/input/DesktopHidSystem.h"
#include "platform/desktop/windows/DesktopInputSources.h"
#include "platform/desktop/input/DesktopIoRegistry.h"
#include "platform/desktop/apps/DesktopLoginItems.h"
#include "platform/desktop/bus/DesktopLoginWindow.h"
#include "platform/desktop/input/DesktopMultitouch.h"
#include "platform/desktop/apps/DesktopProcessInfo.h"
#include "platform/desktop/apps/DesktopProcesses.h"
#include "platform/desktop/DesktopRunLoop.h"
#include "platform/desktop/bus/DesktopScreenLock.h"
#include "platform/desktop/windows/DesktopSpaces.h"
#include "platform/desktop/shell/DesktopUserDefaults.h"
#include "platform/desktop/bus/DesktopUserNotifications.h"
#include "platform/desktop/windows/DesktopWindowServer.h"
#include "platform/desktop/x11/X11Session.h"
#include "platform/desktop/apps/DesktopWorkspace.h"
#include "platform/desktop/shell/DesktopLifecycle.h"
#include "platform/desktop/shell/DesktopStatusBar.h"
#include "platform/desktop/shell/DesktopWindows.h"
#include "platform/desktop/bus/DesktopWorkspaceNotes.h"
#include "platform/desktop/shell/DesktopFileEvents.h"
#include "platform/desktop/shell/DesktopPreferences.h"
#include "platform/desktop/input/DesktopAxObservers.h"
#include "platform/desktop/input/InputSignals.h"

#include <QString>

#include <memory>

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
    // Xwayland: GNOME's desktops while its extension is missing, KWin's X11
    // windows' full screen; after the facility that uses it.
    std::unique_ptr<X11Session> xwayland;
    // What the session's environment and bus say of the desktop.
    SessionFacts session;
    // The facility that tells the desktop's windows (EWMH on X11, the
    // compositor's in a Wayland session). Before the services that use it.
    std::unique_ptr<CompositorWindows> compositor;
    DesktopUserDefaults defaults;
    DesktopLoginItems loginItems;
    DesktopBundle bundle;
    DesktopFileSystem files;
    DesktopAppControl app;
    DesktopEventTaps eventTaps;
    DesktopHidSystem hidSystem;
    DesktopIoRegistry ioRegistry;
    DesktopMultitouch multitouch;
    DesktopWindowServer windowServer{*compositor};
    DesktopLoginWindow loginWindow;
    DesktopAudioInput audioInput;
    DesktopProcesses processes;
    DesktopScreenLock screenLock;
    DesktopBackground background;
    DesktopAccessibility accessibility{*compositor};
    DesktopAppFolders appFolders;
    DesktopWorkspace workspace{*compositor};
    DesktopInputSources inputSources{*compositor};
    DesktopDisplays displays;
    DesktopDisplayLinks displayLinks;
    DesktopSpaces spaces{*compositor};
    DesktopBluetooth bluetooth;
    DesktopUserNotifications notifications;
    DesktopHidDevices hidDevices;
    DesktopHidEventSystem hidEventSystem;
    DesktopProcessInfo processInfo;
    DesktopLifecycle lifecycle;
    DesktopStatusBar statusBar;
    DesktopWindows windows;
    DesktopAppNotes appNotes{runLoop, workspace, *compositor};
    DesktopWorkspaceNotes workspaceNotes;
    DesktopFileEvents fileEvents;
    DesktopPreferences preferences;
    DesktopAxObservers axObservers;
    // The shell's overviews, for the Dock's stand-in and the Mission Control state.
    ShellViews views;
    // The program's posts pass the desktop's stand-in for the Dock.
    DesktopDock dock{eventTaps, runLoop, *compositor};
    // Last, so that termination signals pass it before the lifecycle's handler.
    InputSignals inputSignals;

private:
    platform::Services services();
    void connectXwayland();
    void connectPanel();
    // The chord posted as the user's keys would be.
    void postChord(platform::EventFlags flags, std::uint16_t evdevKey);
};

} // namespace corv::desktop
