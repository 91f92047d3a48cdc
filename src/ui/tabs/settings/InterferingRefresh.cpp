#include "ui/tabs/settings/InterferingRefresh.h"

#include "engine/InterferingTaps.h"
#include "platform/Platform.h"

#include <utility>

namespace corv::ui::settings {

void InterferingRefresh::start() {
    engine::findInterferingEventTaps();
    if (!timer_) timer_ = platform::runLoop().repeating(kInterval, [] { engine::findInterferingEventTaps(); });
}

void InterferingRefresh::stop() {
    if (auto t = std::exchange(timer_, std::nullopt)) platform::runLoop().cancel(*t);
}

} // namespace corv::ui::settings
