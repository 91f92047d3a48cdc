#include "platform/desktop/shell/DesktopCompositing.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>
// After Qt's headers: Xlib's macros would clash with them.
#include <X11/Xlib.h>

namespace corv::desktop {

namespace {

// The owner of _NET_WM_CM_S<screen>, asked once and then kept by XFixes'
// news of each change, so that no panel opening waits on the server.
class CompositorSelection final : public QAbstractNativeEventFilter {
public:
    explicit CompositorSelection(QNativeInterface::QX11Application& x11) : connection_(x11.connection()) {
        xcb_connection_t* c = connection_;
        const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(x11.display()));
        auto* atom = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr);
        selection_ = atom ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(atom);
        const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(c, &xcb_xfixes_id);
        if (xfixes && xfixes->present) {
            std::free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
            xfixesEvent_ = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
            xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
            for (int i = 0; i < DefaultScreen(x11.display()) && screens.rem > 1; ++i) xcb_screen_next(&screens);
            xcb_xfixes_select_selection_input(c, screens.data->root, selection_,
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                                  XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                                  XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
            QCoreApplication::instance()->installNativeEventFilter(this);
        }
        auto* owner = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection_), nullptr);
        owned_ = owner && owner->owner != XCB_NONE;
        std::free(owner);
    }
    ~CompositorSelection() override {
        if (xfixesEvent_ && QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
    }
    CompositorSelection(const CompositorSelection&) = delete;
    CompositorSelection& operator=(const CompositorSelection&) = delete;

    // Without XFixes, asked each time.
    bool owned() const {
        if (xfixesEvent_) return owned_;
        auto* owner = xcb_get_selection_owner_reply(connection_, xcb_get_selection_owner(connection_, selection_), nullptr);
        const bool owned = owner && owner->owner != XCB_NONE;
        std::free(owner);
        return owned;
    }
    xcb_connection_t* connection() const { return connection_; }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != xfixesEvent_) return false;
        const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
        if (notify->selection == selection_) owned_ = notify->owner != XCB_NONE;
        return false;
    }

private:
    xcb_connection_t* connection_;
    xcb_atom_t selection_ = XCB_ATOM_NONE;
    std::uint8_t xfixesEvent_ = 0;
    bool owned_ = false;
};

} // namespace

bool compositingManagerRuns() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || !x11->display()) return true;
    // One per connection: a test may make its application again.
    static std::unique_ptr<CompositorSelection> watch;
    if (!watch || watch->connection() != x11->connection()) watch = std::make_unique<CompositorSelection>(*x11);
    return watch->owned();
}

} // namespace corv::desktop
