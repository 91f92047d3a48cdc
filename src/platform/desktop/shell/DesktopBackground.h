#pragma once

#include "platform/Background.h"

namespace corv::desktop {

// Background tasks on Qt's global thread pool.
class DesktopBackground final : public platform::Background {
public:
    void run(platform::Task task) override;
};

} // namespace corv::desktop
