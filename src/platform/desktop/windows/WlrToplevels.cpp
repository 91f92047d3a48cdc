#include "platform/desktop/windows/WlrToplevels.h"

#include "platform/desktop/shell/DesktopTrace.h"

#include "wlr-foreign-toplevel-client.h"

#include <wayland-client.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <map>

#include <poll.h>

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

} // namespace

struct WlrToplevels::Link final : FacilityLink {
    Link(CompositorCache& c, std::atomic<std::size_t>& s, wl_display* d) : display(d), cache(c), standInCount(s) {}
    ~Link() override {
        for (auto& [id, toplevel] : toplevels) zwlr_foreign_toplevel_handle_v1_destroy(toplevel.handle);
        if (sync) wl_callback_destroy(sync);
        if (manager) zwlr_foreign_toplevel_manager_v1_destroy(manager);
        if (seat) wl_seat_destroy(seat);
        if (registry) wl_registry_destroy(registry);
        wl_display_disconnect(display);
    }

    // Connects and asks for the globals, within kCompositorBound; null
    // without an answer or a toplevel manager.
    static std::unique_ptr<Link> open(CompositorCache& cache, std::atomic<std::size_t>& standIns,
                                      const std::string& name);

    int prepare() override;
    bool serve(bool ready) override;

    wl_display* display;
    CompositorCache& cache;
    std::atomic<std::size_t>& standInCount;
    wl_registry* registry = nullptr;
    zwlr_foreign_toplevel_manager_v1* manager = nullptr;
    wl_seat* seat = nullptr;
    std::uint32_t managerName = 0, managerVersion = 0, seatName = 0;
    bool bound = false;  // the globals were first taken
    std::atomic<bool> hasSeat{false};

    // Thread only, after open.
    std::map<CompositorWindowId, Toplevel> toplevels;
    CompositorWindowId nextId = 1;
    std::map<std::string, std::int32_t> standIns;
    std::int32_t nextStandIn = kFirstStandInPid;
    wl_callback* sync = nullptr;

    std::int32_t standIn(const std::string& appId) {
        if (appId.empty()) return -1;
        auto [it, added] = standIns.emplace(appId, nextStandIn);
        if (added)
            nextStandIn = nextStandIn == std::numeric_limits<std::int32_t>::max() ? kFirstStandInPid : nextStandIn + 1;
        return it->second;
    }

    // The ready toplevels in the order they came, the focused one last. Only
    // the app ids they show keep their stand-ins.
    void publish() {
        CompositorWindowList list;
        std::map<std::string, std::int32_t> used;
        for (const auto& [id, t] : toplevels) {
            if (!t.ready) continue;
            CompositorWindow w;
            w.id = id;
            w.appId = t.appId;
            w.pid = standIn(t.appId);
            if (w.pid > 0) used.emplace(t.appId, w.pid);
            w.fullScreen = t.fullScreen;
            if (t.activated) list.focused = id;
            list.windows.push_back(std::move(w));
        }
        standIns = std::move(used);
        standInCount = standIns.size();
        std::stable_partition(list.windows.begin(), list.windows.end(),
                              [&](const CompositorWindow& w) { return w.id != list.focused; });
        cache.setWindows(std::move(list));
    }

    void bindManager();
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
    if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0 && !link.manager &&
        version >= 2) {
        link.managerName = name;
        link.managerVersion = std::min(version, kManagerVersion);
        // One advertised again after the last one finished is taken.
        if (link.bound) link.bindManager();
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !link.seatName) {
        link.seatName = name;
    }
}

void onGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
    auto& link = *static_cast<WlrToplevels::Link*>(data);
    if (name == link.managerName && !link.manager) link.managerName = 0;
}

const wl_registry_listener kRegistryListener = {onGlobal, onGlobalRemove};

void onSynced(void* data, wl_callback* callback, std::uint32_t) {
    auto& link = *static_cast<WlrToplevels::Link*>(data);
    wl_callback_destroy(callback);
    link.sync = nullptr;
    link.cache.answered();
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
    cache.asking();
    sync = wl_display_sync(display);
    wl_callback_add_listener(sync, &kSyncListener, this);
}

void WlrToplevels::Link::bindManager() {
    if (manager || !managerName) return;
    manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        wl_registry_bind(registry, managerName, &zwlr_foreign_toplevel_manager_v1_interface, managerVersion));
    zwlr_foreign_toplevel_manager_v1_add_listener(manager, &kManagerListener, this);
}

int WlrToplevels::Link::prepare() {
    while (wl_display_prepare_read(display) != 0)
        if (wl_display_dispatch_pending(display) < 0) return -1;
    // A compositor that reads nothing fills the socket; what did not go goes next time.
    wl_display_flush(display);
    return wl_display_get_fd(display);
}

bool WlrToplevels::Link::serve(bool ready) {
    if (!ready) {
        wl_display_cancel_read(display);
        return true;
    }
    return wl_display_read_events(display) >= 0 && wl_display_dispatch_pending(display) >= 0;
}

std::unique_ptr<WlrToplevels::Link> WlrToplevels::Link::open(CompositorCache& cache, std::atomic<std::size_t>& standIns,
                                                            const std::string& name) {
    wl_display* connection = wl_display_connect(name.empty() ? nullptr : name.c_str());
    if (!connection) return nullptr;
    auto link = std::make_unique<Link>(cache, standIns, connection);
    link->registry = wl_display_get_registry(connection);
    wl_registry_add_listener(link->registry, &kRegistryListener, link.get());
    if (!roundTrip(connection, kCompositorBound) || !link->managerName) return nullptr;
    link->bindManager();
    link->bound = true;
    if (link->seatName) {
        link->seat = static_cast<wl_seat*>(wl_registry_bind(link->registry, link->seatName, &wl_seat_interface, 1));
        link->hasSeat = true;
    }
    wl_display_flush(connection);
    return link;
}

std::unique_ptr<WlrToplevels> WlrToplevels::open(platform::RunLoop& loop, const std::string& display) {
    auto windows = std::unique_ptr<WlrToplevels>(new WlrToplevels(loop, display));
    auto first = Link::open(windows->cache_, windows->standIns_, display);
    if (!first) return nullptr;
    windows->seat_ = first->hasSeat.load();
    windows->thread_.start(std::move(first));
    return windows;
}

WlrToplevels::WlrToplevels(platform::RunLoop& loop, const std::string& display)
    : CachedWindows(loop), thread_("wlr-toplevels", cache_, [this, display]() -> std::unique_ptr<FacilityLink> {
          auto link = Link::open(cache_, standIns_, display);
          if (link) seat_ = link->hasSeat.load();
          return link;
      }) {}

WlrToplevels::~WlrToplevels() = default;

unsigned WlrToplevels::capabilities() const {
    unsigned out = static_cast<unsigned>(CompositorCapability::FullScreen) |
                   static_cast<unsigned>(CompositorCapability::Maximize);
    if (seat_) out |= static_cast<unsigned>(CompositorCapability::Activate);
    return out;
}

bool WlrToplevels::request(CompositorWindowId window, Request what) {
    if (!window || !windowById(cache_.windows(), window)) return false;
    return thread_.post([window, what](FacilityLink& link) {
        auto& wlr = static_cast<Link&>(link);
        wlr.send(window, what);
        wlr.syncAfterRequests();
        return true;
    });
}

bool WlrToplevels::activate(CompositorWindowId window) { return seat_ && request(window, Request::Activate); }

bool WlrToplevels::setFullScreen(CompositorWindowId window, bool on) {
    return request(window, on ? Request::FullScreenOn : Request::FullScreenOff);
}

bool WlrToplevels::toggleMaximized(CompositorWindowId window) { return request(window, Request::ToggleMaximized); }

} // namespace corv::desktop
