#include "platform/desktop/X11Session.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/dpms.h>

#include <cstdlib>
#include <set>

namespace corv::desktop {

namespace {

// Levels of the window tree searched under a point: root, frame, client and
// whatever decorations a manager nests between them.
constexpr int kMaxDepth = 8;
// Managed windows read from the client list at most.
constexpr long kMaxClients = 4096;

// Displays of this class: their errors (a window that went away while asked
// about) are expected and dropped; anyone else's go to the earlier handler.
std::set<Display*>& ownDisplays() {
    static std::set<Display*> displays;
    return displays;
}
XErrorHandler previousHandler = nullptr;

int onError(Display* display, XErrorEvent* event) {
    if (ownDisplays().count(display)) return 0;
    return previousHandler ? previousHandler(display, event) : 0;
}

// A lost server marks the connection dead instead of ending the program.
std::set<Display*>& deadDisplays() {
    static std::set<Display*> displays;
    return displays;
}

void onConnectionLost(Display* display, void*) { deadDisplays().insert(display); }

bool waylandSession() {
    const char* type = std::getenv("XDG_SESSION_TYPE");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (type && std::string(type) == "wayland") || (wayland && *wayland);
}

} // namespace

X11Session::X11Session(const std::string& displayName) {
    const char* name = displayName.empty() ? nullptr : displayName.c_str();
    if (!name && !std::getenv("DISPLAY")) return;
    display_ = XOpenDisplay(name);
    if (!display_) return;
    if (ownDisplays().empty()) previousHandler = XSetErrorHandler(&onError);
    ownDisplays().insert(display_);
    XSetIOErrorExitHandler(display_, &onConnectionLost, nullptr);
    root_ = DefaultRootWindow(display_);
}

X11Session::~X11Session() {
    if (!display_) return;
    const bool dead = deadDisplays().erase(display_) > 0;
    if (!dead) XCloseDisplay(display_);
    ownDisplays().erase(display_);
    if (ownDisplays().empty()) XSetErrorHandler(previousHandler);
}

X11Session& X11Session::standard() {
    static X11Session* session = waylandSession() ? new X11Session() : new X11Session(std::string());
    return *session;
}

bool X11Session::connected() const { return usable(); }

bool X11Session::usable() const { return display_ && !deadDisplays().count(display_); }

unsigned long X11Session::atom(const char* name) { return XInternAtom(display_, name, False); }

std::optional<platform::Point> X11Session::pointer() {
    if (!usable()) return std::nullopt;
    Window rootReturn = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display_, root_, &rootReturn, &child, &rootX, &rootY, &x, &y, &mask)) return std::nullopt;
    return platform::Point{static_cast<double>(rootX), static_cast<double>(rootY)};
}

XWindowId X11Session::clientAt(platform::Point point) {
    if (!usable()) return 0;
    const Atom wmState = atom("WM_STATE");
    const int x = static_cast<int>(point.x), y = static_cast<int>(point.y);
    Window parent = root_;
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        int cx = 0, cy = 0;
        Window child = 0;
        if (!XTranslateCoordinates(display_, root_, parent, x, y, &cx, &cy, &child) || !child) return 0;
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        const bool hasState = XGetWindowProperty(display_, child, wmState, 0, 0, False, AnyPropertyType, &type,
                                                 &format, &count, &after, &data) == Success &&
                              type != None;
        if (data) XFree(data);
        if (hasState) return child;
        parent = child;
    }
    return 0;
}

std::optional<std::vector<unsigned long>> X11Session::cardinals(XWindowId window, const char* property,
                                                                long type) {
    if (!usable() || !window) return std::nullopt;
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window, atom(property), 0, kMaxClients, False, static_cast<Atom>(type), &actual,
                           &format, &count, &after, &data) != Success)
        return std::nullopt;
    std::optional<std::vector<unsigned long>> out;
    // Format 32 properties come as longs, whatever the size of a long.
    if (actual == static_cast<Atom>(type) && format == 32 && data) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        out.emplace(values, values + count);
    }
    if (data) XFree(data);
    return out;
}

std::int32_t X11Session::pidOf(XWindowId window) {
    if (!usable() || !window) return -1;
    if (auto pid = cardinals(window, "_NET_WM_PID", XA_CARDINAL); pid && !pid->empty() && pid->front() > 0)
        return static_cast<std::int32_t>(pid->front());
    int event = 0, error = 0;
    if (!XResQueryExtension(display_, &event, &error)) return -1;
    XResClientIdSpec spec{window, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* ids = nullptr;
    std::int32_t pid = -1;
    if (XResQueryClientIds(display_, 1, &spec, &count, &ids) == Success) {
        for (long i = 0; i < count && pid <= 0; ++i) pid = static_cast<std::int32_t>(XResGetClientPid(&ids[i]));
        XResClientIdsDestroy(count, ids);
    }
    return pid > 0 ? pid : -1;
}

std::vector<XWindowId> X11Session::clients() {
    if (auto list = cardinals(root_, "_NET_CLIENT_LIST_STACKING", XA_WINDOW)) return *list;
    if (auto list = cardinals(root_, "_NET_CLIENT_LIST", XA_WINDOW)) return *list;
    return {};
}

XWindowId X11Session::activeWindow() {
    auto value = cardinals(root_, "_NET_ACTIVE_WINDOW", XA_WINDOW);
    return value && !value->empty() ? value->front() : 0;
}

std::optional<std::pair<std::string, std::string>> X11Session::wmClass(XWindowId window) {
    if (!usable() || !window) return std::nullopt;
    XClassHint hint{nullptr, nullptr};
    if (!XGetClassHint(display_, window, &hint)) return std::nullopt;
    std::pair<std::string, std::string> out{hint.res_name ? hint.res_name : "", hint.res_class ? hint.res_class : ""};
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return out;
}

void X11Session::sendRootMessage(XWindowId window, const char* type, const long (&data)[5]) {
    if (!usable()) return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom(type);
    event.xclient.format = 32;
    for (int i = 0; i < 5; ++i) event.xclient.data.l[i] = data[i];
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display_);
}

// Source 2: a pager, whose requests the manager follows without the focus
// stealing rules meant for applications.
constexpr long kSourcePager = 2;

void X11Session::activate(XWindowId window) {
    if (!window || !usable()) return;
    lastActivated_ = window;
    sendRootMessage(window, "_NET_ACTIVE_WINDOW", {kSourcePager, CurrentTime, 0, 0, 0});
}

bool X11Session::hasState(XWindowId window, const char* state) {
    const auto states = cardinals(window, "_NET_WM_STATE", XA_ATOM);
    if (!states) return false;
    const Atom wanted = atom(state);
    for (unsigned long s : *states)
        if (s == wanted) return true;
    return false;
}

void X11Session::changeState(XWindowId window, StateAction action, const char* first, const char* second) {
    if (!usable() || !window) return;
    const long a = static_cast<long>(atom(first));
    const long b = second ? static_cast<long>(atom(second)) : 0;
    sendRootMessage(window, "_NET_WM_STATE", {static_cast<long>(action), a, b, kSourcePager, 0});
}

std::optional<long> X11Session::currentDesktop() {
    auto value = cardinals(root_, "_NET_CURRENT_DESKTOP", XA_CARDINAL);
    if (!value || value->empty()) return std::nullopt;
    return static_cast<long>(value->front());
}

std::optional<long> X11Session::desktopCount() {
    auto value = cardinals(root_, "_NET_NUMBER_OF_DESKTOPS", XA_CARDINAL);
    if (!value || value->empty()) return std::nullopt;
    return static_cast<long>(value->front());
}

void X11Session::setCurrentDesktop(long index) {
    sendRootMessage(root_, "_NET_CURRENT_DESKTOP", {index, CurrentTime, 0, 0, 0});
}

std::optional<bool> X11Session::showingDesktop() {
    auto value = cardinals(root_, "_NET_SHOWING_DESKTOP", XA_CARDINAL);
    if (!value || value->empty()) return std::nullopt;
    return value->front() != 0;
}

void X11Session::setShowingDesktop(bool on) { sendRootMessage(root_, "_NET_SHOWING_DESKTOP", {on ? 1 : 0, 0, 0, 0, 0}); }

bool X11Session::forceDisplayOff() {
    if (!usable()) return false;
    int event = 0, error = 0;
    if (!DPMSQueryExtension(display_, &event, &error) || !DPMSCapable(display_)) return false;
    // Forcing a level needs DPMS on; the server's timeouts stay as they are.
    DPMSEnable(display_);
    const bool sent = DPMSForceLevel(display_, DPMSModeOff);
    XFlush(display_);
    return sent;
}

void X11Session::sync() {
    if (usable()) XSync(display_, False);
}

} // namespace corv::desktop
