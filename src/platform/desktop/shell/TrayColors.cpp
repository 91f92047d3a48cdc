#include "platform/desktop/shell/TrayColors.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdlib>
#include <cstring>
#include <string>

#include <xcb/xcb.h>

namespace corv::desktop {

namespace {

xcb_atom_t intern(xcb_connection_t* c, const std::string& name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.c_str()),
                                        nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

QColor fromCardinals(const std::uint32_t* rgb) {
    return QColor::fromRgbF(float(rgb[0] & 0xFFFF) / 65535.0f, float(rgb[1] & 0xFFFF) / 65535.0f,
                            float(rgb[2] & 0xFFFF) / 65535.0f);
}

} // namespace

TrayColors::TrayColors(std::function<void()> changed, std::function<void()> appeared)
    : changed_(std::move(changed)), appeared_(std::move(appeared)) {
    auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 = gui ? gui->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    auto* c = x11->connection();
    connection_ = c;
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    // The screen Qt opened: the first unless DISPLAY names another.
    int screen = 0;
    if (const char* display = std::getenv("DISPLAY"))
        if (const char* dot = std::strrchr(display, '.'); dot && std::strchr(display, ':') < dot) screen = std::atoi(dot + 1);
    for (int i = 0; i < screen && screens.rem > 1; ++i) xcb_screen_next(&screens);
    root_ = screens.data->root;
    selection_ = intern(c, "_NET_SYSTEM_TRAY_S" + std::to_string(screen));
    manager_ = intern(c, "MANAGER");
    colors_ = intern(c, "_NET_SYSTEM_TRAY_COLORS");
    QCoreApplication::instance()->installNativeEventFilter(this);
    read();
}

TrayColors::~TrayColors() {
    if (connection_ && QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

void TrayColors::read() {
    auto* c = static_cast<xcb_connection_t*>(connection_);
    std::optional<TrayPalette> found;
    auto* owner = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection_), nullptr);
    const bool appeared = !owner_ && owner && owner->owner;
    owner_ = owner ? owner->owner : 0;
    std::free(owner);
    if (appeared && appeared_) appeared_();
    if (owner_) {
        // The tray's own changes and its end reach the event filter; the
        // structure events Qt asks for stay asked for.
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(c, owner_, XCB_CW_EVENT_MASK, &mask);
        auto* reply = xcb_get_property_reply(c, xcb_get_property(c, 0, owner_, colors_, XCB_ATOM_CARDINAL, 0, 12), nullptr);
        if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 12 * 4) {
            const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
            found = TrayPalette{fromCardinals(v), fromCardinals(v + 3)};
        }
        std::free(reply);
    }
    if (found == palette_) return;
    palette_ = found;
    if (changed_) changed_();
}

bool TrayColors::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
    case XCB_CLIENT_MESSAGE: {
        // A new tray announces itself to the root window.
        const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (m->window == root_ && m->type == manager_ && m->format == 32 && m->data.data32[1] == selection_) read();
        break;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (owner_ && p->window == owner_ && p->atom == colors_) read();
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto* d = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
        if (owner_ && d->window == owner_) read();
        break;
    }
    default:
        break;
    }
    return false;
}

} // namespace corv::desktop
