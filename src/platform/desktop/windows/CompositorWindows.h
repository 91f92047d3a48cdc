#pragma once

// What the program asks of the desktop's windows. One implementation per
// facility: EWMH on X11, and in a Wayland session, where only the compositor
// knows the windows, a compositor's IPC, its scripting, a shell extension or
// a Wayland protocol. The desktop's services ask this alone.
//
// Lookups may be called from any thread and never block longer than
// kCompositorBound: a facility that does not answer in time makes the lookup
// find nothing. Requests are sent without waiting for the compositor's answer.
// Watchers run on the main loop.

#include "platform/Point.h"
#include "platform/Rect.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corv::desktop {

// The longest a lookup waits for the compositor.
constexpr std::chrono::milliseconds kCompositorBound{200};

// A window as the facility names it: unique while the window lives, never 0.
using CompositorWindowId = std::uint32_t;

// A facility that tells no pid gives each app id a stand-in of its own: above
// the largest pid the kernel hands out (2^22), so no process has it, and the
// windows of one app id make one application.
constexpr std::int32_t kFirstStandInPid = 1 << 30;
inline bool isStandInPid(std::int32_t pid) { return pid >= kFirstStandInPid; }

// A toplevel window and what names its application.
struct CompositorWindow {
    CompositorWindowId id = 0;
    // The Wayland app id, or the desktop file name when the compositor knows
    // it (without ".desktop"); empty when neither is known.
    std::string appId;
    // An X window's WM_CLASS (Xwayland clients); empty for Wayland clients.
    std::string wmInstance;
    std::string wmClass;
    std::int32_t pid = -1;  // -1: the desktop does not say; else a process or a stand-in
    bool fullScreen = false;
    // Frame geometry in global coordinates; empty when unknown.
    platform::Rect geometry;
    // False for a window no taskbar lists (a dock, the desktop, one asking to be left out).
    bool inTaskbar = true;

    bool operator==(const CompositorWindow&) const = default;
};

// The toplevel windows, bottom to top where the compositor says the stacking,
// and the focused one (0: none).
struct CompositorWindowList {
    std::vector<CompositorWindow> windows;
    CompositorWindowId focused = 0;

    bool operator==(const CompositorWindowList&) const = default;
};

// The desktops (workspaces) of the output in front, in the compositor's order.
struct CompositorDesktops {
    int current = 0;  // index into the count
    int count = 0;

    bool operator==(const CompositorDesktops&) const = default;
};

// A screen as the compositor tells it, in its own coordinates: the whole of
// it, the work area its bars leave, and how many of the compositor's pixels
// one of a client window's own pixels spans there.
struct CompositorScreen {
    platform::Rect monitor;
    platform::Rect area;
    int scale = 1;
};

// A keyboard layout the compositor switches between.
struct CompositorInputSource {
    std::string id;    // unique; what selectInputSource takes
    std::string name;  // shown; empty when the compositor names none

    bool operator==(const CompositorInputSource&) const = default;
};

struct CompositorInputSources {
    std::vector<CompositorInputSource> sources;
    int current = -1;  // index of the selected one; -1: unknown

    bool operator==(const CompositorInputSources&) const = default;
};

// What a facility can do besides naming the focused window.
enum class CompositorCapability : unsigned {
    WindowUnderPointer = 1u << 0,  // windowAt and pointer answer
    Desktops = 1u << 1,            // desktops and switchDesktop
    FullScreen = 1u << 2,          // setFullScreen
    Maximize = 1u << 3,            // toggleMaximized
    Activate = 1u << 4,            // activate
    InputSources = 1u << 5,        // the input-source calls
    ShowDesktop = 1u << 6,         // showingDesktop and showDesktop
};

using CompositorWatchId = std::uint64_t;

class CompositorWindows {
public:
    virtual ~CompositorWindows() = default;

    // The facility's name, for the trace ("sway", "kwin", ...).
    virtual std::string name() const = 0;
    // A mask of CompositorCapability.
    virtual unsigned capabilities() const = 0;
    bool can(CompositorCapability c) const { return (capabilities() & static_cast<unsigned>(c)) != 0; }

    // The toplevel windows and the focused one; empty when the compositor
    // does not answer in time.
    virtual CompositorWindowList windows() = 0;
    // The focused window; the facility may ask for it alone.
    virtual std::optional<CompositorWindow> focused();
    // A window's process, or -1; its full-screen state, nothing when unknown.
    virtual std::int32_t pidOf(CompositorWindowId id);
    virtual std::optional<bool> fullScreen(CompositorWindowId id);
    // The window last asked to be activated, which the desktop may not show
    // as focused yet; 0 when none.
    virtual CompositorWindowId lastActivated() const { return 0; }
    // The pointer in global coordinates; nothing when the desktop does not say.
    virtual std::optional<platform::Point> pointer() { return std::nullopt; }
    // The topmost window at the point; nothing over no window, or when the
    // desktop does not say (see WindowUnderPointer).
    virtual std::optional<CompositorWindow> windowAt(platform::Point) { return std::nullopt; }

    // Focuses and raises the window.
    virtual bool activate(CompositorWindowId) { return false; }
    virtual bool setFullScreen(CompositorWindowId, bool) { return false; }
    // Maximised both ways, toggled.
    virtual bool toggleMaximized(CompositorWindowId) { return false; }

    virtual std::optional<CompositorDesktops> desktops() { return std::nullopt; }
    // Moves to the next (+1) or previous (-1) desktop of the output in front;
    // false when there is none that way or the facility cannot.
    virtual bool switchDesktop(int) { return false; }

    // The desktop shown with every window out of the way (see ShowDesktop).
    virtual std::optional<bool> showingDesktop() { return std::nullopt; }
    virtual bool showDesktop(bool) { return false; }

    virtual std::optional<CompositorInputSources> inputSources() { return std::nullopt; }
    virtual bool selectInputSource(const std::string&) { return false; }
    // The source after the selected one, round.
    virtual bool nextInputSource() { return false; }

    // The program's own window, which a Wayland client cannot place. The
    // screen holding the point and its work area (the screen less the
    // desktop's bars), as the compositor tells; nothing when it does not.
    virtual std::optional<CompositorScreen> screenAt(platform::Point) { return std::nullopt; }
    // Puts the program's window of the title at the frame: now if it shows,
    // and when it next shows. It stands as a drop-down: above the other
    // windows, on every desktop, and in no taskbar, switcher or overview.
    // False when the facility cannot.
    virtual bool placeOwnWindow(const std::string& title, platform::Rect frame) {
        (void)title, (void)frame;
        return false;
    }
    // Runs on the main loop when the user clicks outside the program's
    // window of the title while it shows; one watcher, replaced by the next.
    virtual void watchClicksOutside(const std::string& title, std::function<void()> clicked) {
        (void)title, (void)clicked;
    }

    // The windows: at once, then after each change of the list, of the
    // focused window or of a window's application, state or geometry.
    virtual CompositorWatchId watchWindows(std::function<void(const CompositorWindowList&)> changed) = 0;
    // The input sources changed: `list` when the list did, else only the selection.
    virtual CompositorWatchId watchInputSources(std::function<void(bool list)>) { return 0; }
    // No run of the watcher follows.
    virtual void unwatch(CompositorWatchId) = 0;
};

// The window of a list with the id; nothing when none has it.
inline std::optional<CompositorWindow> windowById(const CompositorWindowList& list, CompositorWindowId id) {
    if (id == 0) return std::nullopt;
    for (const auto& w : list.windows)
        if (w.id == id) return w;
    return std::nullopt;
}

// The focused window of a list; nothing when none is.
inline std::optional<CompositorWindow> focusedWindow(const CompositorWindowList& list) {
    return windowById(list, list.focused);
}

inline std::optional<CompositorWindow> CompositorWindows::focused() { return focusedWindow(windows()); }

inline std::int32_t CompositorWindows::pidOf(CompositorWindowId id) {
    const auto window = windowById(windows(), id);
    return window ? window->pid : -1;
}

inline std::optional<bool> CompositorWindows::fullScreen(CompositorWindowId id) {
    const auto window = windowById(windows(), id);
    if (!window) return std::nullopt;
    return window->fullScreen;
}

} // namespace corv::desktop
