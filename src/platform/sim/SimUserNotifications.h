#pragma once

#include "platform/UserNotifications.h"

#include <vector>

namespace corv::sim {

// Records every notification posted, in order.
class SimUserNotifications final : public platform::UserNotifications {
public:
    struct Posted {
        std::string identifier;
        std::string title;
        std::string body;
    };
    void post(const std::string& identifier, const std::string& title,
              const std::string& body) override {
        posted.push_back({identifier, title, body});
    }
    void withdraw(const std::string& identifier) override { withdrawn.push_back(identifier); }
    std::vector<Posted> posted;
    std::vector<std::string> withdrawn;
};

} // namespace corv::sim
