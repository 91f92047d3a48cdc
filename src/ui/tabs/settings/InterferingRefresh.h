#pragma once

// Lists the possibly interfering programs at once and then every 2 seconds,
// while the settings tab shows. One repeating timer at most.

#include "platform/RunLoop.h"

#include <optional>

namespace corv::ui::settings {

class InterferingRefresh {
public:
    static constexpr double kInterval = 2.0;

    InterferingRefresh() = default;
    ~InterferingRefresh() { stop(); }
    InterferingRefresh(const InterferingRefresh&) = delete;
    InterferingRefresh& operator=(const InterferingRefresh&) = delete;

    // Scans now; starts the timer unless it runs.
    void start();
    void stop();
    bool running() const { return timer_.has_value(); }

private:
    std::optional<platform::TimerId> timer_;
};

} // namespace corv::ui::settings
