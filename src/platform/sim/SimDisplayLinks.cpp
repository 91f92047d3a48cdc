#include "platform/sim/SimDisplayLinks.h"

#include <cmath>
#include <thread>

namespace corv::sim {

platform::DisplayLinkRef SimDisplayLinks::createWithActiveDisplays() {
    const double rate = displays_.highestRefreshRate();
    const bool anyActive = !displays_.displays.empty();
    std::lock_guard<std::mutex> lock(mutex_);
    ++createCalls;
    if (failCreate || !anyActive) return 0;
    Link link;
    // Microseconds per frame; a display that gives no rate counts as 60 Hz.
    link.period = platform::RefreshPeriod{static_cast<std::int64_t>(std::lround(1e6 / (rate > 0 ? rate : 60.0))),
                                          1000000};
    const platform::DisplayLinkRef ref = next_++;
    links_[ref] = link;
    return ref;
}

void SimDisplayLinks::setOutputCallback(platform::DisplayLinkRef link, platform::DisplayLinkOutput callback) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (auto it = links_.find(link); it != links_.end()) it->second.callback = callback;
}

void SimDisplayLinks::start(platform::DisplayLinkRef link) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++startCalls;
    if (auto it = links_.find(link); it != links_.end()) it->second.running = true;
}

void SimDisplayLinks::stop(platform::DisplayLinkRef link) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++stopCalls;
    if (auto it = links_.find(link); it != links_.end()) it->second.running = false;
}

bool SimDisplayLinks::isRunning(platform::DisplayLinkRef link) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = links_.find(link);
    return it != links_.end() && it->second.running;
}

void SimDisplayLinks::release(platform::DisplayLinkRef link) {
    std::lock_guard<std::mutex> lock(mutex_);
    links_.erase(link);
}

platform::RefreshPeriod SimDisplayLinks::nominalOutputRefreshPeriod(platform::DisplayLinkRef link) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = links_.find(link);
    return it == links_.end() ? platform::RefreshPeriod{} : it->second.period;
}

void SimDisplayLinks::tick(std::uint64_t hostTime) {
    std::vector<std::pair<platform::DisplayLinkRef, platform::DisplayLinkOutput>> due;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& [ref, link] : links_)
            if (link.running && link.callback) due.emplace_back(ref, link.callback);
    }
    for (auto& [ref, callback] : due) callback(ref, hostTime);
}

void SimDisplayLinks::playTicks(const std::vector<std::uint64_t>& hostTimes) {
    std::thread link([this, hostTimes] {
        for (std::uint64_t t : hostTimes) tick(t);
    });
    link.join();
}

std::uint64_t SimDisplayLinks::hostTimeAt(double seconds) {
    return static_cast<std::uint64_t>(std::llround(seconds * 1e9));
}

std::vector<platform::DisplayLinkRef> SimDisplayLinks::live() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<platform::DisplayLinkRef> refs;
    for (auto& [ref, link] : links_) refs.push_back(ref);
    return refs;
}

bool SimDisplayLinks::isLive(platform::DisplayLinkRef link) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return links_.count(link) != 0;
}

void SimDisplayLinks::setPeriod(platform::DisplayLinkRef link, platform::RefreshPeriod period) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (auto it = links_.find(link); it != links_.end()) it->second.period = period;
}

} // namespace corv::sim
