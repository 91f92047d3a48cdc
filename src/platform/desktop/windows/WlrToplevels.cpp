#include "platform/desktop/windows/WlrToplevels.h"

#include "platform/desktop/windows/CompositorCache.h"
#include "platform/desktop/shell/DesktopTrace.h"

#include "wlr-foreign-toplevel-client.h"

#include <wayland-client.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace corv::desktop {

enum class WlrToplevels::Request : int { Activate, FullScreenOn, FullScreenOff, ToggleMaximized };

namespace {

// The manager's version we speak: 2 brought full screen, 3 the parent.
constexpr std::uint32_t kManagerVersion = 3;

struct Toplevel {
    WlrToplevels::Link* link = nullptr;
    zwlr_foreign_toplevel_handle_v1* handle = nullptr;
    CompositorWindowId id = 0;
    // As told since the last done, and as applied at it.
    std::string pendingAppId, appId;
    bool pendingActivated = false, pendingFullScreen = false, pendingMaximized = false;
    bool activated = false, fullScreen = false, maximized = false;
    bool ready = false;  // a first done came
};

std::int64_t now() { return std::chrono::steady_clock::now().time_since_epoch().count(); }

} // namespace

struct WlrToplevels::Link {
    Link(platform::RunLoop& loop, wl_display* d) : display(d), cache(loop) {}
    ~Link() {
        for (auto& [id, toplevel] : toplevels) zwlr_foreign_toplevel_handle_v1_destroy(toplevel.handle);
        if (sync) wl_callback_destroy(sync);
        if (manager) zwlr_foreign_toplevel_manager_v1_destroy(manager);
        if (seat) wl_seat_destroy(seat);
        if (registry) wl_registry_destroy(registry);
        wl_display_disconnect(display);
        if (wake >= 0) ::close(wake);
    }

    wl_display* display;
    CompositorCache cache;
    wl_registry* registry = nullptr;
    zwlr_foreign_toplevel_manager_v1* manager = nullptr;
    wl_seat* seat = nullptr;
    std::uint32_t managerName = 0, managerVersion = 0, seatName = 0;
    int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    std::atomic<bool> stop{false};

    // Thread only, after open.
    std::map<CompositorWindowId, Toplevel> toplevels;
    CompositorWindowId nextId = 1;
    std::map<std::string, std::int32_t> standIns;
    std::int32_t nextStandIn = kFirstStandInPid;
    wl_callback* sync = nullptr;
    bool lost = false;

    // When the oldest request still unanswered was sent (steady-clock ticks); 0: none.
    std::atomic<std::int64_t> askedAt{0};
    std::mutex mutex;
    std::deque<std::pair<CompositorWindowId, Request>> requests;

    std::int32_t standIn(const std::string& appId) {
        if (appId.empty()) return -1;
        auto [it, added] = standIns.emplace(appId, nextStandIn);
        if (added) ++nextStandIn;
        return it->second;
    }

    // The ready toplevels in the order they came, the focused one last.
    void publish() {
        CompositorWindowList list;
        for (const auto& [id, t] : toplevels) {
            if (!t.ready) continue;
            CompositorWindow w;
            w.id = id;
            w.appId = t.appId;
            w.pid = standIn(t.appId);
            w.fullScreen = t.fullScreen;
            if (t.activated) list.focused = id;
            list.windows.push_back(std::move(w));
        }
        std::stable_partition(list.windows.begin(), list.windows.end(),
                              [&](const CompositorWindow& w) { return w.id != list.focused; });
        cache.setWindows(std::move(list));
    }

    void send(CompositorWindowId id, Request what);
    void syncAfterRequests();
};

namespace {

void onTitle(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}

void onAppId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* appId) {
    static_cast<Toplevel*>(data)->pendingAppId = appId ? appId : "";
}

void onOutput(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}

void onState(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
    auto& t = *static_cast<Toplevel*>(data);
    t.pendingActivated = t.pendingFullScreen = t.pendingMaximized = false;
    const std::size_t count = states->size / sizeof(std::uint32_t);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t state;
        std::memcpy(&state, static_cast<const char*>(states->data) + i * sizeof state, sizeof state);
        if (state == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) t.pendingActivated = true;
        if (state == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_FULLSCREEN) t.pendingFullScreen = true;
        if (state == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MAXIMIZED) t.pendingMaximized = true;
    }
}

void onDone(void* data, zwlr_foreign_toplevel_handle_v1*) {
    auto& t = *static_cast<Toplevel*>(data);
    t.appId = t.pendingAppId;
    t.activated = t.pendingActivated;
    t.fullScreen = t.pendingFullScreen;
    t.maximized = t.pendingMaximized;
    t.ready = true;
    t.link->publish();
}

void onClosed(void* data, zwlr_foreign_toplevel_handle_v1*) {
    auto& t = *static_cast<Toplevel*>(data);
    WlrToplevels::Link& link = *t.link;
    zwlr_foreign_toplevel_handle_v1_destroy(t.handle);
    link.toplevels.erase(t.id);
    link.publish();
}

void onParent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

const zwlr_foreign_toplevel_handle_v1_listener kToplevelListener = {onTitle,  onAppId, onOutput, onOutput,
                                                                     onState,  onDone,  onClosed, onParent};

void onToplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle) {
    auto& link = *static_cast<WlrToplevels::Link*>(data);
    const CompositorWindowId id = link.nextId++;
    Toplevel& t = link.toplevels[id];
    t.link = &link;
    t.handle = handle;
    t.id = id;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kToplevelListener, &t);
}

void onFinished(void* data, zwlr_foreign_toplevel_manager_v1*) {
    auto& link = *static_cast<WlrToplevels::Link*>(data);
    // The compositor destroyed the manager; its handles stay ours.
    zwlr_foreign_toplevel_manager_v1_destroy(link.manager);
    link.manager = nullptr;
    for (auto& [id, t] : link.toplevels) zwlr_foreign_toplevel_handle_v1_destroy(t.handle);
    link.toplevels.clear();
    link.publish();
}

const zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {onToplevel, onFinished};

void onGlobal(void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t version) {
    auto& link = *static_cast<WlrToplevels::Link*>(data);
    if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0 && !link.managerName) {
        link.managerName = name;
        link.managerVersion = std::min(version, kManagerVersion);
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !link.seatName) {
        link.seatName = name;
    }
}

void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kRegistryListener = {onGlobal, onGlobalRemove};

void onSynced(void* data, wl_callback* callback, std::uint32_t) {
    auto& link = *static_cast<WlrToplevels::Link*>(data);
    wl_callback_destroy(callback);
    link.sync = nullptr;
    link.askedAt = 0;
}

const wl_callback_listener kSyncListener = {onSynced};

void onRoundTrip(void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; }

const wl_callback_listener kRoundTripListener = {onRoundTrip};

// A round trip that gives up after `bound`; false then, or when the connection broke.
bool roundTrip(wl_display* display, std::chrono::milliseconds bound) {
    bool done = false;
    wl_callback* callback = wl_display_sync(display);
    wl_callback_add_listener(callback, &kRoundTripListener, &done);
    const auto deadline = std::chrono::steady_clock::now() + bound;
    bool ok = true;
    while (!done && ok) {
        if (wl_display_prepare_read(display) != 0) {
            ok = wl_display_dispatch_pending(display) >= 0;
            continue;
        }
        wl_display_flush(display);
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        pollfd fd{wl_display_get_fd(display), POLLIN, 0};
        const int ready = left > 0 ? ::poll(&fd, 1, static_cast<int>(left)) : 0;
        if (ready <= 0) {
            wl_display_cancel_read(display);
            ok = ready < 0 && errno == EINTR;
            continue;
        }
        ok = wl_display_read_events(display) >= 0 && wl_display_dispatch_pending(display) >= 0;
    }
    wl_callback_destroy(callback);
    return done;
}

void run(WlrToplevels::Link& link) {
    wl_display* display = link.display;
    while (!link.stop && !link.lost) {
        while (wl_display_prepare_read(display) != 0)
            if (wl_display_dispatch_pending(display) < 0) {
                link.lost = true;
                break;
            }
        if (link.lost) break;
        // A compositor that reads nothing fills the socket; what did not go goes next time.
        wl_display_flush(display);
        pollfd fds[2] = {{link.wake, POLLIN, 0}, {wl_display_get_fd(display), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            wl_display_cancel_read(display);
            if (errno == EINTR) continue;
            link.lost = true;
            break;
        }
        if (fds[1].revents & (POLLIN | POLLERR | POLLHUP)) {
            if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0) link.lost = true;
        } else {
            wl_display_cancel_read(display);
        }
        if (!fds[0].revents) continue;
        std::uint64_t count = 0;
        [[maybe_unused]] const auto n = ::read(link.wake, &count, sizeof count);
        std::deque<std::pair<CompositorWindowId, WlrToplevels::Request>> requests;
        {
            std::lock_guard lock(link.mutex);
            requests.swap(link.requests);
        }
        for (const auto& [id, what] : requests) link.send(id, what);
        if (!requests.empty()) link.syncAfterRequests();
    }
    if (link.lost) {
        if (traceEnabled()) trace("wlr-toplevels: the compositor's connection broke");
        for (auto& [id, t] : link.toplevels) zwlr_foreign_toplevel_handle_v1_destroy(t.handle);
        link.toplevels.clear();
        link.cache.setWindows({});
    }
}

} // namespace

void WlrToplevels::Link::send(CompositorWindowId id, Request what) {
    const auto it = toplevels.find(id);
    if (traceEnabled())
        trace(("wlr-toplevels: request " + std::to_string(static_cast<int>(what)) + " on " + std::to_string(id) +
               (it == toplevels.end() ? " (gone)" : ""))
                  .c_str());
    if (it == toplevels.end()) return;
    zwlr_foreign_toplevel_handle_v1* handle = it->second.handle;
    switch (what) {
    case Request::Activate:
        if (seat) zwlr_foreign_toplevel_handle_v1_activate(handle, seat);
        break;
    case Request::FullScreenOn:
        zwlr_foreign_toplevel_handle_v1_set_fullscreen(handle, nullptr);
        break;
    case Request::FullScreenOff:
        zwlr_foreign_toplevel_handle_v1_unset_fullscreen(handle);
        break;
    case Request::ToggleMaximized:
        if (it->second.maximized) zwlr_foreign_toplevel_handle_v1_unset_maximized(handle);
        else zwlr_foreign_toplevel_handle_v1_set_maximized(handle);
        break;
    }
}

void WlrToplevels::Link::syncAfterRequests() {
    // One round trip at a time tells whether the compositor still answers.
    if (sync) return;
    askedAt = now();
    sync = wl_display_sync(display);
    wl_callback_add_listener(sync, &kSyncListener, this);
}

std::unique_ptr<WlrToplevels> WlrToplevels::open(platform::RunLoop& loop, const std::string& display) {
    wl_display* connection = wl_display_connect(display.empty() ? nullptr : display.c_str());
    if (!connection) return nullptr;
    auto link = std::make_unique<Link>(loop, connection);
    link->registry = wl_display_get_registry(connection);
    wl_registry_add_listener(link->registry, &kRegistryListener, link.get());
    if (link->wake < 0 || !roundTrip(connection, kCompositorBound) || !link->managerName) return nullptr;
    if (link->managerVersion < 2) return nullptr;
    link->manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(wl_registry_bind(
        link->registry, link->managerName, &zwlr_foreign_toplevel_manager_v1_interface, link->managerVersion));
    zwlr_foreign_toplevel_manager_v1_add_listener(link->manager, &kManagerListener, link.get());
    if (link->seatName)
        link->seat = static_cast<wl_seat*>(wl_registry_bind(link->registry, link->seatName, &wl_seat_interface, 1));
    wl_display_flush(connection);
    return std::unique_ptr<WlrToplevels>(new WlrToplevels(std::move(link)));
}

WlrToplevels::WlrToplevels(std::unique_ptr<Link> link) : link_(std::move(link)), thread_([this] { run(*link_); }) {}

WlrToplevels::~WlrToplevels() {
    link_->stop = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(link_->wake, &one, sizeof one);
    thread_.join();
}

unsigned WlrToplevels::capabilities() const {
    unsigned out = static_cast<unsigned>(CompositorCapability::FullScreen) |
                   static_cast<unsigned>(CompositorCapability::Maximize);
    if (link_->seat) out |= static_cast<unsigned>(CompositorCapability::Activate);
    return out;
}

bool WlrToplevels::stuck() const {
    const std::int64_t asked = link_->askedAt;
    return asked != 0 && now() - asked > std::chrono::steady_clock::duration(kCompositorBound).count();
}

CompositorWindowList WlrToplevels::windows() {
    if (stuck()) return {};
    return link_->cache.windows();
}

bool WlrToplevels::request(CompositorWindowId window, Request what) {
    if (!window || !windowById(link_->cache.windows(), window)) return false;
    {
        std::lock_guard lock(link_->mutex);
        link_->requests.emplace_back(window, what);
    }
    const std::uint64_t one = 1;
    return ::write(link_->wake, &one, sizeof one) == sizeof one;
}

bool WlrToplevels::activate(CompositorWindowId window) {
    return link_->seat && request(window, Request::Activate);
}

bool WlrToplevels::setFullScreen(CompositorWindowId window, bool on) {
    return request(window, on ? Request::FullScreenOn : Request::FullScreenOff);
}

bool WlrToplevels::toggleMaximized(CompositorWindowId window) { return request(window, Request::ToggleMaximized); }

CompositorWatchId WlrToplevels::watchWindows(std::function<void(const CompositorWindowList&)> changed) {
    return link_->cache.watchWindows(std::move(changed));
}

void WlrToplevels::unwatch(CompositorWatchId id) { link_->cache.unwatch(id); }

} // namespace corv::desktop
