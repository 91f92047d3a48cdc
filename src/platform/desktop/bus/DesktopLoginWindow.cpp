#include "platform/desktop/bus/DesktopLoginWindow.h"

namespace corv::desktop {

namespace {

// Apple's "not handled" error for an event nobody takes.
constexpr int kEventNotHandled = -1708;
constexpr int kNoConnection = -609;

} // namespace

int DesktopLoginWindow::sendCoreEvent(platform::FourCharCode eventId) {
    bool sent = false;
    if (eventId == platform::fourCharCode("slep")) {
        sent = session_.suspend();
    } else if (eventId == platform::fourCharCode("rlgo")) {
        sent = manager_.logOut([this] { return session_.terminate(); });
    } else {
        return kEventNotHandled;
    }
    return sent ? 0 : kNoConnection;
}

} // namespace corv::desktop
