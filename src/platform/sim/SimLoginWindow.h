#pragma once

#include "platform/LoginWindow.h"

#include <vector>

namespace corv::sim {

class SimLoginWindow final : public platform::LoginWindow {
public:
    int sendCoreEvent(platform::FourCharCode eventId) override {
        sent.push_back(eventId);
        return result;
    }

    std::vector<platform::FourCharCode> sent;
    int result = 0;
};

} // namespace corv::sim
