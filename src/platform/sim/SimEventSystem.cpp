#include "platform/sim/SimEventSystem.h"

#include "platform/sim/TakeFront.h"

#include <cstdio>
#include <utility>

namespace corv::sim {

namespace {

std::string hexText(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

} // namespace

using platform::Event;
using platform::EventTapId;
using platform::TapLocation;

SimEventSystem::SimEventSystem(SimRunLoop& loop) : chain_(loop) {
    chain_.onSeen = [this](EventTapId tap, std::uint32_t type, const Event& event) {
        received_[tap].push_back(Received{type, event});
    };
    chain_.onOutcome = [this](platform::TapChain::Token, std::optional<Event> event) {
        if (event) delivered.push_back(std::move(*event));
    };
}

EventTapId SimEventSystem::createTap(TapLocation location, platform::TapPlacement placement,
                                     platform::TapOptions options, std::uint64_t mask,
                                     platform::TapCallback callback) {
    if (failCreateTap) return 0;
    EventTapId id = chain_.createTap(location, placement, options, mask, std::move(callback));
    if (id != 0) received_[id];
    return id;
}

platform::RunLoopSourceId SimEventSystem::createRunLoopSource(EventTapId tap) {
    return failCreateSource ? 0 : chain_.createRunLoopSource(tap);
}

void SimEventSystem::setEnabled(EventTapId tap, bool enabled) {
    chain_.setEnabled(tap, enabled);
    if (!journal) return;
    for (const auto& info : chain_.list(0))
        if (info.tapId == tap) journal->note("tap " + hexText(info.eventsOfInterest) + (enabled ? " on" : " off"));
}

bool SimEventSystem::isEnabled(EventTapId tap) const { return chain_.isEnabled(tap); }

bool SimEventSystem::mainLoopContains(platform::RunLoopSourceId source) const {
    return chain_.mainLoopContains(source);
}

void SimEventSystem::addToMainLoop(platform::RunLoopSourceId source) {
    ++addSourceCalls;
    chain_.addToMainLoop(source);
}

void SimEventSystem::removeFromMainLoop(platform::RunLoopSourceId source) { chain_.removeFromMainLoop(source); }

void SimEventSystem::post(TapLocation location, const Event& event) {
    Route route = location == TapLocation::Hid       ? Route::Hid
                  : location == TapLocation::Session ? Route::Session
                                                     : Route::AnnotatedSession;
    record(route, nullptr, event);
    chain_.post(location, event);
}

void SimEventSystem::postToProxy(platform::TapProxy proxy, const Event& event) {
    record(Route::Proxy, proxy, event);
    chain_.postToProxy(proxy, event);
}

void SimEventSystem::inject(const Event& event) { chain_.inject(event); }

void SimEventSystem::injectOnNextTurn(const Event& event) { chain_.injectOnNextTurn(event); }

std::optional<std::vector<platform::EventTapInfo>> SimEventSystem::tapList() {
    if (failTapList) return std::nullopt;
    std::vector<platform::EventTapInfo> list = chain_.list(ownPid);
    list.insert(list.end(), foreignTaps.begin(), foreignTaps.end());
    return list;
}

std::optional<Event> SimEventSystem::sendNotice(EventTapId tap, std::uint32_t notice) {
    return chain_.sendNotice(tap, notice);
}

std::vector<EventTapId> SimEventSystem::taps() const { return chain_.taps(); }

EventTapId SimEventSystem::tapOfProxy(platform::TapProxy proxy) const { return chain_.tapOfProxy(proxy); }

platform::TapProxy SimEventSystem::proxyOf(EventTapId tap) const { return chain_.proxyOf(tap); }

bool SimEventSystem::sourceInMainLoop(EventTapId tap) const { return chain_.sourceInMainLoop(tap); }

Event SimEventSystem::takeDelivered() { return takeFront(delivered, "the delivered events"); }

SimEventSystem::Posted SimEventSystem::takePosted() { return takeFront(posted, "the posted events"); }

SimEventSystem::Received SimEventSystem::takeReceived(EventTapId tap) {
    return takeFront(received_.at(tap), "the tap's received events");
}

void SimEventSystem::clearLogs() {
    delivered.clear();
    posted.clear();
    for (auto& [id, log] : received_) log.clear();
}

void SimEventSystem::record(Route route, platform::TapProxy proxy, const Event& event) {
    std::lock_guard<std::mutex> lock(postedMutex_);
    posted.push_back(Posted{route, proxy, event});
    if (onPost) onPost(posted.back());
}

} // namespace corv::sim
