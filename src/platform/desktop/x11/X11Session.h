#pragma once

// One Xlib connection of the program's own, for the window under the pointer,
// the EWMH requests to the window manager, the keyboard's XKB groups and the
// watch on the managed windows. Called from the main thread and from the
// background listing of running applications.
//
// The connection lives on a thread of its own, and each call waits for that
// thread at most kRoundTripBound, another thread's request included: a server
// that stops answering makes the call find nothing, and every later call
// finds nothing at once until the stuck request comes back. Requests to the window manager are client
// messages, sent without waiting for the manager. Between calls the thread
// reads the server's events and tells the watchers what changed.

#include "platform/Point.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace corv::desktop {

using XWindowId = unsigned long;  // 0: none

// The longest a call waits for the X server.
constexpr std::chrono::milliseconds kRoundTripBound{200};

// WM_CLASS: instance and class.
using WmClass = std::pair<std::string, std::string>;

// A managed window and what names its application.
struct X11Client {
    XWindowId window = 0;
    std::int32_t pid = -1;  // -1: unknown
    std::optional<WmClass> wmClass;
    // False for a dock, the desktop or another special type, and for a
    // window asking to be left out of the taskbar.
    bool inTaskbar = true;
    bool operator==(const X11Client&) const = default;
};

// The managed windows in the manager's order, and the active one (0: none).
struct X11Windows {
    std::vector<X11Client> clients;
    XWindowId active = 0;
    bool operator==(const X11Windows&) const = default;
};

// One XKB group (a layout) of the keyboard: its id is the layout (with its
// variant) the keymap was made from, else its name; ids are unique.
struct XkbGroup {
    std::string id;
    std::string name;  // empty when the keymap names none
};

struct XkbGroups {
    std::vector<XkbGroup> groups;
    int locked = -1;  // the locked group's index
};

using X11WatchId = std::uint64_t;

class X11Session {
public:
    // Opens the display; `displayName` empty: $DISPLAY.
    explicit X11Session(const std::string& displayName);
    // A session without a display: every lookup finds nothing.
    X11Session() = default;
    ~X11Session();
    X11Session(const X11Session&) = delete;
    X11Session& operator=(const X11Session&) = delete;

    // The session of the program: $DISPLAY, except in a Wayland session, where
    // no window of another program can be found or raised (none is opened).
    static X11Session& standard();

    bool connected() const;

    std::optional<platform::Point> pointer();
    // The client window (the one carrying WM_STATE) at the point; 0 when the
    // point is over the root or a window without client.
    XWindowId clientAt(platform::Point point);
    // _NET_WM_PID, else the X-Resource extension's pid of the window's client;
    // -1 when neither says.
    std::int32_t pidOf(XWindowId window);
    // The managed windows, bottom to top when the manager says the stacking.
    std::vector<XWindowId> clients();
    // The same with each one's pid (-1 when unknown), in one call.
    std::vector<std::pair<XWindowId, std::int32_t>> clientPids();
    // The managed windows bottom to top where the manager says the stacking,
    // each with its pid and class, and the active one, in one call.
    X11Windows managedWindows();
    XWindowId activeWindow();
    // WM_CLASS: instance and class; nothing when the window has none.
    std::optional<WmClass> wmClass(XWindowId window);

    // _NET_ACTIVE_WINDOW with source 2 (a pager): activates and raises.
    void activate(XWindowId window);
    // The window last asked to be activated; 0 before any.
    XWindowId lastActivated() const { return lastActivated_; }

    bool hasState(XWindowId window, const char* state);
    enum class StateAction : long { Remove = 0, Add = 1, Toggle = 2 };
    // _NET_WM_STATE with one or two properties.
    // Whether the request went out within the bound.
    bool changeState(XWindowId window, StateAction action, const char* first, const char* second = nullptr);

    // The desktops; nothing when the window manager does not say.
    std::optional<long> currentDesktop();
    std::optional<long> desktopCount();
    void setCurrentDesktop(long index);
    std::optional<bool> showingDesktop();
    void setShowingDesktop(bool on);

    // DPMS force-off; false when the server has no DPMS.
    bool forceDisplayOff();

    // The core keyboard's groups; nothing without XKB.
    std::optional<XkbGroups> keyboardGroups();
    // Locks the group; false without XKB.
    bool lockKeyboardGroup(int index);

    // Watchers run on the session's thread, one at a time; each must be quick
    // and must not call the session. unwatch() returns once none of its runs
    // is under way and none follows.
    //
    // The managed windows and the active one: at once, then after each
    // change of the client list or the active window.
    X11WatchId watchWindows(std::function<void(const X11Windows&)> changed);
    // The keyboard's groups changed: `names` when the keymap or its group
    // names did, else only the locked group.
    X11WatchId watchKeyboard(std::function<void(bool names)> changed);
    void unwatch(X11WatchId id);

    // Waits until the server has handled every request sent so far (tests).
    void sync();

    class Connection;

private:
    template <class T, class F> T call(T none, F work);
    void sendRootMessage(XWindowId window, const char* type, const long (&data)[5]);

    std::shared_ptr<Connection> connection_;
    std::thread thread_;
    std::atomic<X11WatchId> nextWatch_{1};
    XWindowId lastActivated_ = 0;
};

} // namespace corv::desktop
