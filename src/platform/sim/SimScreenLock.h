#pragma once

#include "platform/ScreenLock.h"

namespace corv::sim {

class SimScreenLock final : public platform::ScreenLock {
public:
    bool lockNow() override {
        if (!available) return false;
        ++locks;
        return true;
    }

    bool available = true;
    int locks = 0;
};

} // namespace corv::sim
