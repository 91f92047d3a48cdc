#pragma once

// The desktop's user notifications.

#include <string>

namespace corv::platform {

class UserNotifications {
public:
    virtual ~UserNotifications() = default;
    // Delivers a notification at once. A notification with the identifier of
    // one still shown replaces it.
    virtual void post(const std::string& identifier, const std::string& title,
                      const std::string& body) = 0;
    // Takes the notification with the identifier off the screen, if shown.
    virtual void withdraw(const std::string& identifier) = 0;
};

} // namespace corv::platform
