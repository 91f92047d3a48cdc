#include "platform/desktop/DesktopPlatform.h"

#include "platform/desktop/shell/DesktopPanelPlacement.h"
#include "platform/desktop/windows/CompositorChoice.h"
#include "platform/desktop/windows/GnomeInputSourceSettings.h"
#include "platform/desktop/windows/GnomeShellWindows.h"
#include "platform/desktop/windows/KWinWindows.h"
#include "platform/desktop/windows/XwaylandDesktops.h"
#include "platform/desktop/x11/X11Session.h"

#include "platform/desktop/input/EvdevKeyMap.h"

#include <QThreadPool>

#include <unistd.h>

#include <cstdlib>

namespace corv::desktop {

namespace {

constexpr const char* kExtensionNoticeId = "gnome-shell-extension";

QString orDefault(const QString& chosen, const QString& standard) { return chosen.isEmpty() ? standard : chosen; }

// CORVADINE_UINPUT names another uinput node, as the bus variables name other
// buses; CORVADINE_INPUT_DEVICES=none looks for no input device.
DesktopInputConfig inputConfig(DesktopInputConfig config) {
    if (const char* node = std::getenv("CORVADINE_UINPUT"); node && *node && config.uinputNode == "/dev/uinput")
        config.uinputNode = node;
    if (const char* devices = std::getenv("CORVADINE_INPUT_DEVICES"); devices && std::string(devices) == "none")
        config.findDevices = false;
    return config;
}

} // namespace

DesktopPlatform::DesktopPlatform(const DesktopLocations& locations)
    : session(readSessionFacts(locations.sessionBusAddress)),
      compositor(openCompositorWindows(runLoop, locations.sessionBusAddress, session)),
      defaults(orDefault(locations.defaultsFile, DesktopUserDefaults::standardPath())),
      loginItems(orDefault(locations.autostartDirectory, DesktopLoginItems::standardDirectory())),
      eventTaps(runLoop, inputConfig(locations.input)),
      hidSystem(eventTaps.chain),
      ioRegistry(eventTaps.input.registry()),
      loginWindow(locations.systemBusAddress, locations.sessionBusAddress),
      screenLock(locations.systemBusAddress),
      bluetooth(locations.systemBusAddress),
      notifications(locations.sessionBusAddress),
      hidDevices(runLoop),
      hidEventSystem(eventTaps.input),
      lifecycle(locations.instanceSocket),
      workspaceNotes(locations.systemBusAddress, &appNotes),
      axObservers([this] { return eventTaps.input.access().missingItems(); }),
      views(runLoop, chooseDesktopShell(session), locations.sessionBusAddress,
            [this](platform::EventFlags flags, std::uint16_t key) { postChord(flags, key); }, &gnomeXkbLayout) {
    eventTaps.input.onTouchpad = [this](const std::string& syspath, bool present) {
        if (present) multitouch.added(syspath);
        else multitouch.removed(syspath);
    };
    eventTaps.input.onTouchFrame = [this](const std::string& syspath, int fingers) {
        multitouch.frame(syspath, fingers);
    };
    eventTaps.input.pointer = [this] { return windowServer.cursorLocation(0); };
    eventTaps.input.setBackground(&background);
    workspaceNotes.onPresence = [this](bool present) { eventTaps.input.setAway(!present); };
    eventTaps.input.setKeyValueListeners(hidDevices.valueHandlers());
    eventTaps.input.setKeyValues([this](const std::string& hidSyspath, const platform::HidInputValue& value) {
        hidDevices.deliverKeyValue(hidSyspath, value);
    });
    connectXwayland();
    connectPanel();
    if (views.shell() != DesktopShell::Other) {
        // The program stands in for the Dock, its notifications the shell's views.
        const auto pid = static_cast<std::int32_t>(::getpid());
        workspace.setDockStandIn(platform::RunningApplication{pid, "com.apple.dock", std::nullopt, "Dock", std::nullopt,
                                                              platform::ActivationPolicy::Prohibited});
        axObservers.setDockStandIn(pid, [this](std::function<void(std::uint8_t)> shown) {
            const ViewsWatchId id = views.watch([shown](DesktopView v) { shown(static_cast<std::uint8_t>(v)); });
            if (views.shown() != DesktopView::None) shown(static_cast<std::uint8_t>(views.shown()));
            return std::function<void()>([this, id] { views.unwatch(id); });
        });
        dock.setViews(&views);
    }
    for (const InputNode& node : eventTaps.input.nodes())
        if (node.touchpad) multitouch.added(node.syspath);
    platform::install(services());
}

DesktopPlatform::~DesktopPlatform() {
    setPanelCompositor({});
    compositor->watchClicksOutside(kPanelTitle, {});
    // A facility's notice goes with this copy: no later one can take it back.
    notifications.withdraw(kExtensionNoticeId);
    // The HID devices go before the input devices that release their keys.
    eventTaps.input.setKeyValues({});
    // A swipe's animation frames call the services from their own threads.
    displayLinks.stopAll();
    // Background tasks use the services; none may outlive them.
    QThreadPool::globalInstance()->waitForDone();
    platform::uninstall();
}

void DesktopPlatform::connectXwayland() {
    auto* gnome = dynamic_cast<GnomeShellWindows*>(compositor.get());
    auto* kwin = dynamic_cast<KWinWindows*>(compositor.get());
    if (gnome)
        gnome->setNotify(
            [this](const ExtensionNotice& notice) { notifications.post(kExtensionNoticeId, notice.title, notice.body); },
            [this] { notifications.withdraw(kExtensionNoticeId); });
    // The X view tells GNOME's desktops and puts KWin's X11 windows in full
    // screen, never the application.
    const char* display = std::getenv("DISPLAY");
    if ((!gnome && !kwin) || !display || !*display) return;
    xwayland = std::make_unique<X11Session>(std::string(display));
    if (!xwayland->connected()) return;
    if (gnome)
        gnome->setFallback({[x = xwayland.get()] { return xwaylandDesktops(*x); },
                            [x = xwayland.get()](int step) { return stepXwaylandDesktop(*x, step); }});
    if (kwin)
        kwin->setXwaylandFullScreen([x = xwayland.get()](std::uint32_t window, bool on) {
            return x->changeState(window, on ? X11Session::StateAction::Add : X11Session::StateAction::Remove,
                           "_NET_WM_STATE_FULLSCREEN");
        });
}

// The compositor places the panel where a Wayland client cannot, and tells
// a click outside it that takes no focus from it.
void DesktopPlatform::connectPanel() {
    const auto rect = [](const platform::Rect& r) { return QRect(int(r.x), int(r.y), int(r.width), int(r.height)); };
    setPanelCompositor({[this, rect](QPoint at) -> std::optional<PanelScreen> {
                            const auto told = compositor->screenAt({double(at.x()), double(at.y())});
                            if (!told) return std::nullopt;
                            return PanelScreen{rect(told->monitor), rect(told->area), told->scale};
                        },
                        [this](const QString& title, const QRect& f) {
                            return compositor->placeOwnWindow(
                                title.toStdString(), {double(f.x()), double(f.y()), double(f.width()), double(f.height())});
                        }});
    compositor->watchClicksOutside(kPanelTitle, [this] {
        const auto at = compositor->pointer();
        notePanelClosedByPress(at ? std::optional(QPoint(int(at->x), int(at->y))) : std::nullopt);
        lifecycle.panelClosed();
    });
}

void DesktopPlatform::postChord(platform::EventFlags flags, std::uint16_t key) {
    const auto vk = virtualKeyOfEvdev(key);
    if (!vk) return;
    // As a key combination is posted: the key with its modifiers, its up,
    // then the modifiers' release.
    for (const bool down : {true, false}) {
        platform::Event event = platform::Event::keyboard(*vk, down);
        event.setFlags(flags | flag::NonCoalesced);
        eventTaps.post(platform::TapLocation::Session, event);
    }
    platform::Event release = platform::Event::keyboard(*vk, false);
    release.setType(platform::eventType::FlagsChanged);
    release.setFlags(flag::NonCoalesced);
    eventTaps.post(platform::TapLocation::Session, release);
}

platform::Services DesktopPlatform::services() {
    platform::Services s;
    s.runLoop = &runLoop;
    s.defaults = &defaults;
    s.loginItems = &loginItems;
    s.bundle = &bundle;
    s.files = &files;
    s.app = &app;
    s.eventTaps = &dock;
    s.hidSystem = &hidSystem;
    s.ioRegistry = &ioRegistry;
    s.multitouch = &multitouch;
    s.windowServer = &windowServer;
    s.loginWindow = &loginWindow;
    s.audioInput = &audioInput;
    s.processes = &processes;
    s.screenLock = &screenLock;
    s.background = &background;
    s.accessibility = &accessibility;
    s.workspace = &workspace;
    s.inputSources = &inputSources;
    s.bluetooth = &bluetooth;
    s.notifications = &notifications;
    s.displays = &displays;
    s.displayLinks = &displayLinks;
    s.spaces = &spaces;
    s.hidDevices = &hidDevices;
    s.hidEventSystem = &hidEventSystem;
    s.processInfo = &processInfo;
    s.lifecycle = &lifecycle;
    s.statusBar = &statusBar;
    s.windows = &windows;
    s.workspaceNotes = &workspaceNotes;
    s.fileEvents = &fileEvents;
    s.preferences = &preferences;
    s.axObservers = &axObservers;
    s.appFolders = &appFolders;
    return s;
}

} // namespace corv::desktop
