#include "platform/desktop/x11/X11Session.h"

#include "platform/desktop/shell/SessionType.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/dpms.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace corv::desktop {

namespace {

// Levels of the window tree searched under a point: root, frame, client and
// whatever decorations a manager nests between them.
constexpr int kMaxDepth = 8;
// Managed windows read from the client list at most.
constexpr long kMaxClients = 4096;

// Displays of this class: their errors (a window that went away while asked
// about) are expected and dropped, and a lost server only marks the
// connection dead (Xlib's own handler would end the program); anyone else's
// go to the earlier handlers. Handlers run on whichever thread met the error.
std::mutex displaysMutex;
std::set<Display*> ownDisplays;
XErrorHandler previousHandler = nullptr;
XIOErrorHandler previousIoHandler = nullptr;

int onError(Display* display, XErrorEvent* event) {
    XErrorHandler previous = nullptr;
    {
        std::lock_guard lock(displaysMutex);
        if (ownDisplays.count(display)) return 0;
        previous = previousHandler;
    }
    return previous ? previous(display, event) : 0;
}

int onIoError(Display* display) {
    XIOErrorHandler previous = nullptr;
    {
        std::lock_guard lock(displaysMutex);
        // Returning hands the display to its exit handler.
        if (ownDisplays.count(display)) return 0;
        previous = previousIoHandler;
    }
    return previous ? previous(display) : 0;
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

std::optional<WmClass> classOn(Display* d, Window window) {
    XClassHint hint{nullptr, nullptr};
    if (!XGetClassHint(d, window, &hint)) return std::nullopt;
    WmClass out{hint.res_name ? hint.res_name : "", hint.res_class ? hint.res_class : ""};
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return out;
}

bool inTaskbarOn(Display* d, Window window) {
    // The first type the window names is the one it means.
    const auto types = cardinals(d, window, "_NET_WM_WINDOW_TYPE", XA_ATOM);
    if (types && !types->empty() && types->front() != atom(d, "_NET_WM_WINDOW_TYPE_NORMAL") &&
        types->front() != atom(d, "_NET_WM_WINDOW_TYPE_DIALOG"))
        return false;
    const auto states = cardinals(d, window, "_NET_WM_STATE", XA_ATOM);
    return !states || std::find(states->begin(), states->end(), atom(d, "_NET_WM_STATE_SKIP_TASKBAR")) == states->end();
}

bool hasWmState(Display* d, Window window, Atom wmState) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool has = XGetWindowProperty(d, window, wmState, 0, 0, False, AnyPropertyType, &type, &format, &count,
                                        &after, &data) == Success &&
                     type != None;
    if (data) XFree(data);
    return has;
}

// The first window carrying WM_STATE below `top`, breadth first: the client
// inside a manager's frame. 0 when there is none.
Window clientBelow(Display* d, Window top, Atom wmState) {
    std::vector<Window> level{top};
    std::size_t looked = 0;
    for (int depth = 0; depth < kMaxDepth && !level.empty(); ++depth) {
        std::vector<Window> next;
        for (Window w : level) {
            Window root = 0, parent = 0;
            Window* children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(d, w, &root, &parent, &children, &count)) continue;
            next.insert(next.end(), children, children + count);
            if (children) XFree(children);
        }
        for (Window w : next) {
            if (++looked > static_cast<std::size_t>(kMaxClients)) return 0;
            if (hasWmState(d, w, wmState)) return w;
        }
        level = std::move(next);
    }
    return 0;
}

std::vector<std::string> split(const std::string& text, char by) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(by, from)) != std::string::npos; from = at + 1)
        out.push_back(text.substr(from, at - from));
    out.push_back(text.substr(from));
    return out;
}

// _XKB_RULES_NAMES: rules, model, layouts, variants, options.
std::vector<std::string> rulesNames(Display* d, Window root) {
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<std::string> out;
    if (XGetWindowProperty(d, root, atom(d, "_XKB_RULES_NAMES"), 0, 1024, False, XA_STRING, &actual, &format,
                           &count, &after, &data) == Success &&
        actual == XA_STRING && format == 8 && data)
        out = split(std::string(reinterpret_cast<const char*>(data), count), '\0');
    if (data) XFree(data);
    return out;
}

bool hasXkb(Display* d, int* eventBase = nullptr) {
    int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!XkbQueryExtension(d, &opcode, &event, &error, &major, &minor)) return false;
    if (eventBase) *eventBase = event;
    return true;
}

std::optional<XkbGroups> groupsOn(Display* d, Window root) {
    if (!hasXkb(d)) return std::nullopt;
    XkbDescPtr keyboard = XkbAllocKeyboard();
    if (!keyboard) return std::nullopt;
    XkbGroups out;
    if (XkbGetControls(d, XkbAllControlsMask, keyboard) == Success && keyboard->ctrls &&
        XkbGetNames(d, XkbGroupNamesMask, keyboard) == Success && keyboard->names) {
        const int count = std::min<int>(keyboard->ctrls->num_groups, XkbNumKbdGroups);
        for (int i = 0; i < count; ++i) {
            XkbGroup group;
            if (const Atom name = keyboard->names->groups[i]; name != None)
                if (char* text = XGetAtomName(d, name)) {
                    group.name = text;
                    XFree(text);
                }
            out.groups.push_back(std::move(group));
        }
    }
    XkbFreeKeyboard(keyboard, XkbAllComponentsMask, True);
    // The layouts the keymap was made from name the groups when they match.
    const auto rules = rulesNames(d, root);
    const auto layouts = rules.size() > 2 ? split(rules[2], ',') : std::vector<std::string>{};
    const auto variants = rules.size() > 3 ? split(rules[3], ',') : std::vector<std::string>{};
    std::set<std::string> taken;
    for (std::size_t i = 0; i < out.groups.size(); ++i) {
        auto& group = out.groups[i];
        if (layouts.size() == out.groups.size() && !layouts[i].empty())
            group.id = layouts[i] + (i < variants.size() && !variants[i].empty() ? "(" + variants[i] + ")" : "");
        else
            group.id = group.name.empty() ? "group " + std::to_string(i + 1) : group.name;
        if (!taken.insert(group.id).second) group.id += "#" + std::to_string(i + 1);
        taken.insert(group.id);
    }
    XkbStateRec state{};
    if (XkbGetState(d, XkbUseCoreKbd, &state) == Success) out.locked = state.locked_group;
    return out;
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
    bool ended = false;  // the thread has closed the display

    // Held by every run of the watchers.
    std::mutex watchMutex;
    std::map<X11WatchId, std::function<void(const X11Windows&)>> windowWatchers;
    std::map<X11WatchId, std::function<void(bool)>> keyboardWatchers;
    std::atomic<bool> watchersAdded{false};

    Connection() : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~Connection() {
        if (wakeFd_ >= 0) ::close(wakeFd_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Wakes the thread for a task, the end or a new watcher.
    void poke() {
        const std::uint64_t one = 1;
        if (::write(wakeFd_, &one, sizeof one) < 0) {
            // The counter is full: the thread is awake anyway.
        }
    }

    void open(const std::string& name) {
        display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
        if (!display) return;
        {
            std::lock_guard lock(displaysMutex);
            if (ownDisplays.empty()) {
                previousHandler = XSetErrorHandler(&onError);
                previousIoHandler = XSetIOErrorHandler(&onIoError);
            }
            ownDisplays.insert(display);
        }
        XSetIOErrorExitHandler(display, &Connection::lost, this);
        root = DefaultRootWindow(display);
        alive = true;
    }

    // Runs the tasks as they come; in between, reads the server's events.
    void loop() {
        std::unique_lock lock(mutex);
        while (!quit) {
            if (task) {
                auto work = std::move(task);
                task = nullptr;
                lock.unlock();
                work();
                lock.lock();
                busy = false;
                stuck = false;
                wake.notify_all();
                continue;
            }
            lock.unlock();
            const bool listening = serve();
            // A report's reads queue the events that come meanwhile, which the
            // socket no longer shows: those are served on the next round, after
            // any task, without waiting.
            const bool queued = listening && XEventsQueued(display, QueuedAlready) > 0;
            pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {listening ? ConnectionNumber(display) : -1, POLLIN, 0}};
            // Without a wake descriptor the thread looks for work now and then.
            while (::poll(fds, 2, queued ? 0 : wakeFd_ < 0 ? 10 : -1) < 0 && errno == EINTR) {
            }
            std::uint64_t count = 0;
            if ((fds[0].revents & POLLIN) && ::read(wakeFd_, &count, sizeof count) < 0) {
                // Nothing to read: another wake took it.
            }
            lock.lock();
        }
        lock.unlock();
        close();
        lock.lock();
        ended = true;
        wake.notify_all();
    }

private:
    // A lost server marks the connection dead instead of ending the program.
    static void lost(Display*, void* self) { static_cast<Connection*>(self)->alive = false; }

    void close() {
        if (!display) return;
        // A dead connection closes too: its IO errors stay ours meanwhile.
        XCloseDisplay(display);
        std::lock_guard lock(displaysMutex);
        ownDisplays.erase(display);
        if (ownDisplays.empty()) {
            XSetErrorHandler(previousHandler);
            XSetIOErrorHandler(previousIoHandler);
        }
    }

    // Takes the events that came and tells the watchers; false when there is
    // no server to listen to.
    bool serve() {
        if (!display || !alive) return false;
        if (watchersAdded.exchange(false)) startWatching();
        while (alive && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            note(event);
        }
        if (!alive) return false;
        report();
        return alive;
    }

    void startWatching() {
        bool windows = false, keyboard = false;
        {
            std::lock_guard lock(watchMutex);
            windows = !windowWatchers.empty();
            keyboard = !keyboardWatchers.empty();
        }
        if ((windows || keyboard) && !rootWatched_) {
            activeAtom_ = atom(display, "_NET_ACTIVE_WINDOW");
            listAtom_ = atom(display, "_NET_CLIENT_LIST");
            stackingAtom_ = atom(display, "_NET_CLIENT_LIST_STACKING");
            rulesAtom_ = atom(display, "_XKB_RULES_NAMES");
            XSelectInput(display, root, PropertyChangeMask);
            rootWatched_ = true;
        }
        // A new window watcher gets the windows as they are.
        if (windows) windowsDirty_ = windowsForced_ = true;
        if (keyboard && xkbEvent_ < 0 && hasXkb(display, &xkbEvent_)) {
            XkbSelectEvents(display, XkbUseCoreKbd, XkbNewKeyboardNotifyMask, XkbNewKeyboardNotifyMask);
            XkbSelectEventDetails(display, XkbUseCoreKbd, XkbNamesNotify, XkbGroupNamesMask, XkbGroupNamesMask);
            XkbSelectEventDetails(display, XkbUseCoreKbd, XkbStateNotify, XkbGroupLockMask, XkbGroupLockMask);
        }
    }

    void note(const XEvent& event) {
        if (event.type == PropertyNotify && event.xproperty.window == root) {
            const Atom changed = event.xproperty.atom;
            if (changed == activeAtom_ || changed == listAtom_ || changed == stackingAtom_) windowsDirty_ = true;
            if (changed == rulesAtom_) namesDirty_ = true;
        } else if (xkbEvent_ >= 0 && event.type == xkbEvent_) {
            const auto& xkb = reinterpret_cast<const XkbEvent&>(event);
            if (xkb.any.xkb_type == XkbStateNotify) groupDirty_ = true;
            else namesDirty_ = true;
        }
    }

    void report() {
        if (windowsDirty_) {
            windowsDirty_ = false;
            X11Windows now = readWindows();
            if (alive && (windowsForced_ || now != windows_)) {
                windows_ = std::move(now);
                std::lock_guard lock(watchMutex);
                for (auto& [id, watcher] : windowWatchers) watcher(windows_);
            }
            windowsForced_ = false;
        }
        if (namesDirty_ || groupDirty_) {
            const bool names = namesDirty_;
            namesDirty_ = groupDirty_ = false;
            std::lock_guard lock(watchMutex);
            for (auto& [id, watcher] : keyboardWatchers) watcher(names);
        }
    }

    // The managed windows; each one's pid and class are read once (the pid
    // again while unknown).
    X11Windows readWindows() {
        X11Windows out;
        auto list = cardinals(display, root, "_NET_CLIENT_LIST", XA_WINDOW);
        if (!list) list = cardinals(display, root, "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
        std::map<XWindowId, X11Client> seen;
        for (XWindowId w : list.value_or(std::vector<unsigned long>{})) {
            auto it = known_.find(w);
            X11Client client = it != known_.end() && it->second.pid > 0
                                   ? it->second
                                   : X11Client{w, pidOn(display, w), classOn(display, w), inTaskbarOn(display, w)};
            seen.emplace(w, client);
            out.clients.push_back(std::move(client));
        }
        known_ = std::move(seen);
        if (auto active = cardinals(display, root, "_NET_ACTIVE_WINDOW", XA_WINDOW); active && !active->empty())
            out.active = active->front();
        return out;
    }

    const int wakeFd_;
    // Worker only.
    bool rootWatched_ = false;
    int xkbEvent_ = -1;
    Atom activeAtom_ = None, listAtom_ = None, stackingAtom_ = None, rulesAtom_ = None;
    bool windowsDirty_ = false, windowsForced_ = false, namesDirty_ = false, groupDirty_ = false;
    X11Windows windows_;
    std::map<XWindowId, X11Client> known_;
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
    c->poke();
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
        connection_->poke();
        if (!connection_->wake.wait_for(lock, kRoundTripBound, [this] { return !connection_->busy; }))
            connection_->stuck = true;
    }
}

X11Session::~X11Session() {
    if (!connection_) return;
    std::unique_lock lock(connection_->mutex);
    connection_->quit = true;
    connection_->wake.notify_all();
    connection_->poke();
    // A thread held up by the server is left to end when the server answers.
    const bool ended =
        connection_->wake.wait_for(lock, kRoundTripBound, [c = connection_.get()] { return c->ended; });
    lock.unlock();
    if (ended)
        thread_.join();
    else
        thread_.detach();
}

X11Session& X11Session::standard() {
    static X11Session* session = isWaylandSession() ? new X11Session() : new X11Session(std::string());
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
        Window parent = c.root, top = 0;
        for (int depth = 0; depth < kMaxDepth; ++depth) {
            int cx = 0, cy = 0;
            Window child = 0;
            if (!XTranslateCoordinates(c.display, c.root, parent, x, y, &cx, &cy, &child) || !child) break;
            if (hasWmState(c.display, child, wmState)) return child;
            if (!top) top = child;
            parent = child;
        }
        // Over a frame's title bar or border: the client the frame holds.
        return top ? clientBelow(c.display, top, wmState) : 0;
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

X11Windows X11Session::managedWindows() {
    return call<X11Windows>({}, [](Connection& c) {
        X11Windows out;
        for (XWindowId w : clientsOn(c.display, c.root))
            out.clients.push_back(X11Client{w, pidOn(c.display, w), classOn(c.display, w), inTaskbarOn(c.display, w)});
        if (auto active = cardinals(c.display, c.root, "_NET_ACTIVE_WINDOW", XA_WINDOW); active && !active->empty())
            out.active = active->front();
        return out;
    });
}

XWindowId X11Session::activeWindow() {
    return call<XWindowId>(0, [](Connection& c) -> XWindowId {
        auto value = cardinals(c.display, c.root, "_NET_ACTIVE_WINDOW", XA_WINDOW);
        return value && !value->empty() ? value->front() : 0;
    });
}

std::optional<WmClass> X11Session::wmClass(XWindowId window) {
    if (!window) return std::nullopt;
    return call<std::optional<WmClass>>(std::nullopt, [window](Connection& c) { return classOn(c.display, window); });
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

bool X11Session::changeState(XWindowId window, StateAction action, const char* first, const char* second) {
    if (!window) return false;
    // The property atoms are named in the message itself.
    return call<bool>(false, [window, action, first, second](Connection& c) {
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

std::optional<XkbGroups> X11Session::keyboardGroups() {
    return call<std::optional<XkbGroups>>(std::nullopt, [](Connection& c) { return groupsOn(c.display, c.root); });
}

bool X11Session::lockKeyboardGroup(int index) {
    if (index < 0 || index >= XkbNumKbdGroups) return false;
    return call<bool>(false, [index](Connection& c) {
        if (!hasXkb(c.display) || !XkbLockGroup(c.display, XkbUseCoreKbd, static_cast<unsigned>(index))) return false;
        XFlush(c.display);
        return true;
    });
}

X11WatchId X11Session::watchWindows(std::function<void(const X11Windows&)> changed) {
    const X11WatchId id = nextWatch_++;
    if (!connection_) return id;
    {
        std::lock_guard lock(connection_->watchMutex);
        connection_->windowWatchers.emplace(id, std::move(changed));
    }
    connection_->watchersAdded = true;
    connection_->poke();
    return id;
}

X11WatchId X11Session::watchKeyboard(std::function<void(bool names)> changed) {
    const X11WatchId id = nextWatch_++;
    if (!connection_) return id;
    {
        std::lock_guard lock(connection_->watchMutex);
        connection_->keyboardWatchers.emplace(id, std::move(changed));
    }
    connection_->watchersAdded = true;
    connection_->poke();
    return id;
}

void X11Session::unwatch(X11WatchId id) {
    if (!connection_) return;
    std::lock_guard lock(connection_->watchMutex);
    connection_->windowWatchers.erase(id);
    connection_->keyboardWatchers.erase(id);
}

void X11Session::sync() {
    call<bool>(false, [](Connection& c) {
        XSync(c.display, False);
        return true;
    });
}

} // namespace corv::desktop
