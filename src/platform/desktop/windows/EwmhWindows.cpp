#include "platform/desktop/windows/EwmhWindows.h"

#include "platform/desktop/x11/X11Session.h"

#include <QCursor>
#include <QGuiApplication>

#include <limits>

namespace corv::desktop {

namespace {

constexpr const char* kFullScreen = "_NET_WM_STATE_FULLSCREEN";
// A manager that ignores a desktop change is given up on after this long.
constexpr auto kPendingFor = std::chrono::milliseconds(500);

// X window ids have 29 bits; anything larger names no window.
std::optional<CompositorWindowId> idOf(XWindowId window) {
    if (!window || window > std::numeric_limits<CompositorWindowId>::max()) return std::nullopt;
    return static_cast<CompositorWindowId>(window);
}

CompositorWindowList listOf(const X11Windows& x) {
    CompositorWindowList out;
    for (const auto& client : x.clients) {
        const auto id = idOf(client.window);
        if (!id) continue;
        CompositorWindow w;
        w.id = *id;
        w.pid = client.pid;
        if (client.wmClass) std::tie(w.wmInstance, w.wmClass) = *client.wmClass;
        w.inTaskbar = client.inTaskbar;
        out.windows.push_back(std::move(w));
    }
    out.focused = idOf(x.active).value_or(0);
    return out;
}

CompositorInputSources sourcesOf(const XkbGroups& groups) {
    CompositorInputSources out;
    for (const auto& group : groups.groups) out.sources.push_back(CompositorInputSource{group.id, group.name});
    out.current = groups.locked;
    return out;
}

} // namespace

EwmhWindows::EwmhWindows(platform::RunLoop& loop, X11Session* x11) : CachedWindows(loop), loop_(loop), x11_(x11) {}

EwmhWindows::~EwmhWindows() {
    alive_.reset();
    // Returns once no run of theirs is under way.
    if (windowsWatch_) x11().unwatch(*windowsWatch_);
    if (keyboardWatch_) x11().unwatch(*keyboardWatch_);
}

X11Session& EwmhWindows::x11() const { return x11_ ? *x11_ : X11Session::standard(); }

unsigned EwmhWindows::capabilities() const {
    if (!x11().connected()) return 0;
    unsigned all = 0;
    for (auto c : {CompositorCapability::WindowUnderPointer, CompositorCapability::Desktops,
                   CompositorCapability::FullScreen, CompositorCapability::Maximize, CompositorCapability::Activate,
                   CompositorCapability::InputSources, CompositorCapability::ShowDesktop})
        all |= static_cast<unsigned>(c);
    return all;
}

CompositorWindowList EwmhWindows::windows() { return listOf(x11().managedWindows()); }

std::optional<CompositorWindow> EwmhWindows::focused() {
    const auto id = idOf(x11().activeWindow());
    if (!id) return std::nullopt;
    CompositorWindow w;
    w.id = *id;
    w.pid = x11().pidOf(*id);
    return w;
}

std::int32_t EwmhWindows::pidOf(CompositorWindowId id) { return x11().pidOf(id); }

std::optional<bool> EwmhWindows::fullScreen(CompositorWindowId id) {
    if (!x11().connected()) return std::nullopt;
    return x11().hasState(id, kFullScreen);
}

CompositorWindowId EwmhWindows::lastActivated() const { return idOf(x11().lastActivated()).value_or(0); }

std::optional<platform::Point> EwmhWindows::pointer() {
    // Qt's own answer is a round trip without a bound on X11.
    if (x11().connected()) return x11().pointer();
    // Without a GUI application Qt knows no cursor and answers INT_MAX.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return std::nullopt;
    const QPoint p = QCursor::pos();
    return platform::Point{static_cast<double>(p.x()), static_cast<double>(p.y())};
}

std::optional<CompositorWindow> EwmhWindows::windowAt(platform::Point point) {
    const auto id = idOf(x11().clientAt(point));
    if (!id) return std::nullopt;
    CompositorWindow w;
    w.id = *id;
    w.pid = x11().pidOf(*id);
    return w;
}

bool EwmhWindows::activate(CompositorWindowId id) {
    if (!id || !x11().connected()) return false;
    x11().activate(id);
    return true;
}

bool EwmhWindows::setFullScreen(CompositorWindowId id, bool on) {
    if (!x11().connected()) return false;
    return x11().changeState(id, on ? X11Session::StateAction::Add : X11Session::StateAction::Remove, kFullScreen);
}

bool EwmhWindows::toggleMaximized(CompositorWindowId id) {
    if (!x11().connected()) return false;
    return x11().changeState(id, X11Session::StateAction::Toggle, "_NET_WM_STATE_MAXIMIZED_VERT",
                             "_NET_WM_STATE_MAXIMIZED_HORZ");
}

std::optional<CompositorDesktops> EwmhWindows::desktops() {
    const auto count = x11().desktopCount();
    const auto current = x11().currentDesktop();
    if (!count || !current) return std::nullopt;
    return CompositorDesktops{static_cast<int>(*current), static_cast<int>(*count)};
}

bool EwmhWindows::switchDesktop(int direction) {
    auto& x = x11();
    const auto count = x.desktopCount();
    auto current = x.currentDesktop();
    if (!count || !current || direction == 0) return false;
    // The manager names desktops by number: swipes that end quicker than it
    // answers go on from the desktop asked for.
    const auto now = std::chrono::steady_clock::now();
    if (pending_ && *pending_ != *current && now - pendingSince_ < kPendingFor) current = pending_;
    const long next = *current + (direction > 0 ? 1 : -1);
    if (next < 0 || next >= *count) return false;
    pending_ = next;
    pendingSince_ = now;
    x.setCurrentDesktop(next);
    return true;
}

std::optional<bool> EwmhWindows::showingDesktop() { return x11().showingDesktop(); }

bool EwmhWindows::showDesktop(bool show) {
    if (!x11().connected()) return false;
    x11().setShowingDesktop(show);
    return true;
}

std::optional<CompositorInputSources> EwmhWindows::inputSources() {
    const auto groups = x11().keyboardGroups();
    if (!groups) return std::nullopt;
    return sourcesOf(*groups);
}

bool EwmhWindows::lockGroup(int index) { return index >= 0 && x11().lockKeyboardGroup(index); }

bool EwmhWindows::selectInputSource(const std::string& id) {
    const auto groups = x11().keyboardGroups();
    if (!groups) return false;
    for (std::size_t i = 0; i < groups->groups.size(); ++i)
        if (groups->groups[i].id == id) return lockGroup(static_cast<int>(i));
    return false;
}

bool EwmhWindows::nextInputSource() {
    const auto groups = x11().keyboardGroups();
    if (!groups || groups->groups.empty()) return false;
    return lockGroup((groups->locked + 1) % static_cast<int>(groups->groups.size()));
}

CompositorWatchId EwmhWindows::watchWindows(std::function<void(const CompositorWindowList&)> changed) {
    if (!windowsWatch_) {
        // What the first watcher is told at once.
        cache_.setWindows(windows());
        windowsWatch_ = x11().watchWindows([&cache = cache_](const X11Windows& x) { cache.setWindows(listOf(x)); });
    }
    return cache_.watchWindows(std::move(changed));
}

CompositorWatchId EwmhWindows::watchInputSources(std::function<void(bool list)> changed) {
    if (!keyboardWatch_) {
        cache_.setInputSources(inputSources());
        // The groups are read on the main loop: the session's thread may not call it.
        keyboardWatch_ = x11().watchKeyboard([&loop = loop_, alive = std::weak_ptr<bool>(alive_), this](bool) {
            loop.postFromAnyThread([alive, this] {
                if (alive.lock()) cache_.setInputSources(inputSources());
            });
        });
    }
    return cache_.watchInputSources(std::move(changed));
}

} // namespace corv::desktop
