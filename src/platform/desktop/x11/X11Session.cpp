#include "platform/desktop/x11/X11Session.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/dpms.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

namespace corv::desktop {

namespace {

// Levels of the window tree searched under a point: root, frame, client and
// whatever decorations a manager nests between them.
constexpr int kMaxDepth = 8;
// Managed windows read from the client list at most.
constexpr long kMaxClients = 4096;

// Displays of this class: their errors (a window that went away while asked
// about) are expected and dropped; anyone else's go to the earlier handler.
// Error handlers run on whichever thread met the error.
std::mutex displaysMutex;
std::set<Display*> ownDisplays;
XErrorHandler previousHandler = nullptr;

int onError(Display* display, XErrorEvent* event) {
    XErrorHandler previous = nullptr;
    {
        std::lock_guard lock(displaysMutex);
        if (ownDisplays.count(display)) return 0;
        previous = previousHandler;
    }
    return previous ? previous(display, event) : 0;
}

bool waylandSession() {
    const char* type = std::getenv("XDG_SESSION_TYPE");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (type && std::string(type) == "wayland") || (wayland && *wayland);
}

Atom atom(Display* d, const char* name) { return XInternAtom(d, name, False); }

std::optional<std::vector<unsigned long>> cardinals(Display* d, Window window, const char* property, Atom type) {
    if (!window) return std::nullopt;
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, window, atom(d, property), 0, kMaxClients, False, type, &actual, &format, &count,
                           &after, &data) != Success)
        return std::nullopt;
    std::optional<std::vector<unsigned long>> out;
    // Format 32 properties come as longs, whatever the size of a long.
    if (actual == type && format == 32 && data) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        out.emplace(values, values + count);
    }
    if (data) XFree(data);
    return out;
}

std::int32_t pidOn(Display* d, Window window) {
    if (!window) return -1;
    if (auto pid = cardinals(d, window, "_NET_WM_PID", XA_CARDINAL); pid && !pid->empty() && pid->front() > 0)
        return static_cast<std::int32_t>(pid->front());
    int event = 0, error = 0;
    if (!XResQueryExtension(d, &event, &error)) return -1;
    XResClientIdSpec desc{window, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* ids = nullptr;
    std::int32_t pid = -1;
    if (XResQueryClientIds(d, 1, &desc, &count, &ids) == Success) {
        for (long i = 0; i < count && pid <= 0; ++i) pid = static_cast<std::int32_t>(XResGetClientPid(&ids[i]));
        XResClientIdsDestroy(count, ids);
    }
    return pid > 0 ? pid : -1;
}

std::vector<XWindowId> clientsOn(Display* d, Window root) {
    if (auto list = cardinals(d, root, "_NET_CLIENT_LIST_STACKING", XA_WINDOW)) return *list;
    if (auto list = cardinals(d, root, "_NET_CLIENT_LIST", XA_WINDOW)) return *list;
    return {};
}

std::optional<long> firstCardinal(Display* d, Window root, const char* property) {
    auto value = cardinals(d, root, property, XA_CARDINAL);
    if (!value || value->empty()) return std::nullopt;
    return static_cast<long>(value->front());
}

} // namespace

// The Xlib connection and the thread that alone uses it. The thread holds
// this too, so a session that is let go of while a request hangs leaves it
// to end when the request does.
class X11Session::Connection {
public:
    // Worker only, once open.
    Display* display = nullptr;
    Window root = 0;
    // False until open, and again once the server is gone.
    std::atomic<bool> alive{false};

    std::mutex mutex;
    std::condition_variable wake;
    std::function<void()> task;
    bool busy = false;
    bool stuck = false;  // a caller gave up on the request under way
    bool quit = false;

    void open(const std::string& name) {
        display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
        if (!display) return;
        {
            std::lock_guard lock(displaysMutex);
            if (ownDisplays.empty()) previousHandler = XSetErrorHandler(&onError);
            ownDisplays.insert(display);
        }
        XSetIOErrorExitHandler(display, &Connection::lost, this);
        root = DefaultRootWindow(display);
        alive = true;
    }

    void loop() {
        std::unique_lock lock(mutex);
        while (true) {
            wake.wait(lock, [this] { return quit || task; });
            if (quit) break;
            auto work = std::move(task);
            task = nullptr;
            lock.unlock();
            work();
            lock.lock();
            busy = false;
            stuck = false;
            wake.notify_all();
        }
        lock.unlock();
        close();
    }

private:
    // A lost server marks the connection dead instead of ending the program.
    static void lost(Display*, void* self) { static_cast<Connection*>(self)->alive = false; }

    void close() {
        if (!display) return;
        // A dead connection is left alone: Xlib cannot close it cleanly.
        if (alive) XCloseDisplay(display);
        std::lock_guard lock(displaysMutex);
        ownDisplays.erase(display);
        if (ownDisplays.empty()) XSetErrorHandler(previousHandler);
    }
};

// Runs `work` (Connection& -> T) on the connection's thread and waits for it
// at most kRoundTripBound in all, a request of another thread included;
// `none` when it takes longer, when an earlier call still hangs, or without a
// live connection.
template <class T, class F> T X11Session::call(T none, F work) {
    const std::shared_ptr<Connection> c = connection_;
    if (!c) return none;
    const auto deadline = std::chrono::steady_clock::now() + kRoundTripBound;
    auto result = std::make_shared<std::optional<T>>();
    std::unique_lock lock(c->mutex);
    // Another thread's request (the background list of running applications)
    // is waited for; one a caller already gave up on is not.
    if (c->busy && !c->stuck &&
        !c->wake.wait_until(lock, deadline, [&] { return !c->busy || c->stuck || c->quit; })) {
        c->stuck = true;
        c->wake.notify_all();
    }
    if (c->busy || c->quit) return none;
    c->busy = true;
    c->task = [conn = c.get(), result, work = std::move(work), none]() mutable {
        T value = conn->alive ? work(*conn) : none;
        std::lock_guard done(conn->mutex);
        *result = std::move(value);
    };
    c->wake.notify_all();
    if (!c->wake.wait_until(lock, deadline, [&] { return result->has_value(); })) {
        c->stuck = true;
        c->wake.notify_all();
        return none;
    }
    return std::move(**result);
}

X11Session::X11Session(const std::string& displayName) {
    if (displayName.empty() && !std::getenv("DISPLAY")) return;
    connection_ = std::make_shared<Connection>();
    thread_ = std::thread([c = connection_] { c->loop(); });
    // Opening waits for the server's greeting: bounded like any call.
    {
        std::unique_lock lock(connection_->mutex);
        connection_->busy = true;
        connection_->task = [c = connection_.get(), displayName] { c->open(displayName); };
        connection_->wake.notify_all();
        if (!connection_->wake.wait_for(lock, kRoundTripBound, [this] { return !connection_->busy; }))
            connection_->stuck = true;
    }
}

X11Session::~X11Session() {
    if (!connection_) return;
    bool hung = false;
    {
        std::lock_guard lock(connection_->mutex);
        connection_->quit = true;
        hung = connection_->busy;
    }
    connection_->wake.notify_all();
    if (hung)
        thread_.detach();
    else
        thread_.join();
}

X11Session& X11Session::standard() {
    static X11Session* session = waylandSession() ? new X11Session() : new X11Session(std::string());
    return *session;
}

bool X11Session::connected() const { return connection_ && connection_->alive; }

std::optional<platform::Point> X11Session::pointer() {
    return call<std::optional<platform::Point>>(std::nullopt, [](Connection& c) -> std::optional<platform::Point> {
        Window rootReturn = 0, child = 0;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned int mask = 0;
        if (!XQueryPointer(c.display, c.root, &rootReturn, &child, &rootX, &rootY, &x, &y, &mask))
            return std::nullopt;
        return platform::Point{static_cast<double>(rootX), static_cast<double>(rootY)};
    });
}

XWindowId X11Session::clientAt(platform::Point point) {
    return call<XWindowId>(0, [point](Connection& c) -> XWindowId {
        const Atom wmState = atom(c.display, "WM_STATE");
        const int x = static_cast<int>(point.x), y = static_cast<int>(point.y);
        Window parent = c.root;
        for (int depth = 0; depth < kMaxDepth; ++depth) {
            int cx = 0, cy = 0;
            Window child = 0;
            if (!XTranslateCoordinates(c.display, c.root, parent, x, y, &cx, &cy, &child) || !child) return 0;
            Atom type = 0;
            int format = 0;
            unsigned long count = 0, after = 0;
            unsigned char* data = nullptr;
            const bool hasState = XGetWindowProperty(c.display, child, wmState, 0, 0, False, AnyPropertyType, &type,
                                                     &format, &count, &after, &data) == Success &&
                                  type != None;
            if (data) XFree(data);
            if (hasState) return child;
            parent = child;
        }
        return 0;
    });
}

std::int32_t X11Session::pidOf(XWindowId window) {
    if (!window) return -1;
    return call<std::int32_t>(-1, [window](Connection& c) { return pidOn(c.display, window); });
}

std::vector<XWindowId> X11Session::clients() {
    return call<std::vector<XWindowId>>({}, [](Connection& c) { return clientsOn(c.display, c.root); });
}

std::vector<std::pair<XWindowId, std::int32_t>> X11Session::clientPids() {
    using List = std::vector<std::pair<XWindowId, std::int32_t>>;
    return call<List>({}, [](Connection& c) {
        List out;
        for (XWindowId w : clientsOn(c.display, c.root)) out.emplace_back(w, pidOn(c.display, w));
        return out;
    });
}

XWindowId X11Session::activeWindow() {
    return call<XWindowId>(0, [](Connection& c) -> XWindowId {
        auto value = cardinals(c.display, c.root, "_NET_ACTIVE_WINDOW", XA_WINDOW);
        return value && !value->empty() ? value->front() : 0;
    });
}

std::optional<std::pair<std::string, std::string>> X11Session::wmClass(XWindowId window) {
    using Class = std::optional<std::pair<std::string, std::string>>;
    if (!window) return std::nullopt;
    return call<Class>(std::nullopt, [window](Connection& c) -> Class {
        XClassHint hint{nullptr, nullptr};
        if (!XGetClassHint(c.display, window, &hint)) return std::nullopt;
        std::pair<std::string, std::string> out{hint.res_name ? hint.res_name : "",
                                                hint.res_class ? hint.res_class : ""};
        if (hint.res_name) XFree(hint.res_name);
        if (hint.res_class) XFree(hint.res_class);
        return out;
    });
}

void X11Session::sendRootMessage(XWindowId window, const char* type, const long (&data)[5]) {
    std::array<long, 5> values{data[0], data[1], data[2], data[3], data[4]};
    call<bool>(false, [window, type, values](Connection& c) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window ? window : c.root;
        event.xclient.message_type = atom(c.display, type);
        event.xclient.format = 32;
        for (int i = 0; i < 5; ++i) event.xclient.data.l[i] = values[static_cast<std::size_t>(i)];
        XSendEvent(c.display, c.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XFlush(c.display);
        return true;
    });
}

// Source 2: a pager, whose requests the manager follows without the focus
// stealing rules meant for applications.
constexpr long kSourcePager = 2;

void X11Session::activate(XWindowId window) {
    if (!window || !connected()) return;
    lastActivated_ = window;
    sendRootMessage(window, "_NET_ACTIVE_WINDOW", {kSourcePager, CurrentTime, 0, 0, 0});
}

bool X11Session::hasState(XWindowId window, const char* state) {
    if (!window) return false;
    return call<bool>(false, [window, state](Connection& c) {
        const auto states = cardinals(c.display, window, "_NET_WM_STATE", XA_ATOM);
        if (!states) return false;
        const Atom wanted = atom(c.display, state);
        for (unsigned long s : *states)
            if (s == wanted) return true;
        return false;
    });
}

void X11Session::changeState(XWindowId window, StateAction action, const char* first, const char* second) {
    if (!window) return;
    // The property atoms are named in the message itself.
    call<bool>(false, [window, action, first, second](Connection& c) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = atom(c.display, "_NET_WM_STATE");
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(action);
        event.xclient.data.l[1] = static_cast<long>(atom(c.display, first));
        event.xclient.data.l[2] = second ? static_cast<long>(atom(c.display, second)) : 0;
        event.xclient.data.l[3] = kSourcePager;
        XSendEvent(c.display, c.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XFlush(c.display);
        return true;
    });
}

std::optional<long> X11Session::currentDesktop() {
    return call<std::optional<long>>(std::nullopt,
                                     [](Connection& c) { return firstCardinal(c.display, c.root, "_NET_CURRENT_DESKTOP"); });
}

std::optional<long> X11Session::desktopCount() {
    return call<std::optional<long>>(
        std::nullopt, [](Connection& c) { return firstCardinal(c.display, c.root, "_NET_NUMBER_OF_DESKTOPS"); });
}

void X11Session::setCurrentDesktop(long index) {
    sendRootMessage(0, "_NET_CURRENT_DESKTOP", {index, CurrentTime, 0, 0, 0});
}

std::optional<bool> X11Session::showingDesktop() {
    return call<std::optional<bool>>(std::nullopt, [](Connection& c) -> std::optional<bool> {
        auto value = firstCardinal(c.display, c.root, "_NET_SHOWING_DESKTOP");
        if (!value) return std::nullopt;
        return *value != 0;
    });
}

void X11Session::setShowingDesktop(bool on) { sendRootMessage(0, "_NET_SHOWING_DESKTOP", {on ? 1 : 0, 0, 0, 0, 0}); }

bool X11Session::forceDisplayOff() {
    return call<bool>(false, [](Connection& c) {
        int event = 0, error = 0;
        if (!DPMSQueryExtension(c.display, &event, &error) || !DPMSCapable(c.display)) return false;
        // Forcing a level needs DPMS on; the server's timeouts stay as they are.
        DPMSEnable(c.display);
        const bool sent = DPMSForceLevel(c.display, DPMSModeOff);
        XFlush(c.display);
        return sent;
    });
}

void X11Session::sync() {
    call<bool>(false, [](Connection& c) {
        XSync(c.display, False);
        return true;
    });
}

} // namespace corv::desktop
