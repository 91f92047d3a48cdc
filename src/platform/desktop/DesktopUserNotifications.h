#pragma once

#include "platform/UserNotifications.h"

namespace corv::desktop {

// Notifications go nowhere until a notification service is reached.
class DesktopUserNotifications final : public platform::UserNotifications {
public:
    void post(const std::string&, const std::string&, const std::string&) override {}
};

} // namespace corv::desktop
