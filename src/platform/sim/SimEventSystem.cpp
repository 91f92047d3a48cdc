#include "platform/sim/SimEventSystem.h"

#include "platform/sim/TakeFront.h"

#include <algorithm>
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

EventTapId SimEventSystem::createTap(TapLocation location, platform::TapPlacement placement,
                                     platform::TapOptions options, std::uint64_t mask,
                                     platform::TapCallback callback) {
    if (failCreateTap || !callback) return 0;
    EventTapId id = nextTap_++;
    Tap tap;
    tap.location = location;
    tap.options = options;
    tap.mask = mask;
    tap.callback = std::move(callback);
    taps_.emplace(id, std::move(tap));
    created_.push_back(id);

    // Keep the chain grouped by location: HID, session, annotated session.
    auto rank = [this](EventTapId t) { return static_cast<std::uint32_t>(taps_.at(t).location); };
    const std::uint32_t r = static_cast<std::uint32_t>(location);
    auto groupBegin = std::find_if(chain_.begin(), chain_.end(), [&](EventTapId t) { return rank(t) >= r; });
    auto groupEnd = std::find_if(groupBegin, chain_.end(), [&](EventTapId t) { return rank(t) > r; });
    chain_.insert(placement == platform::TapPlacement::HeadInsert ? groupBegin : groupEnd, id);
    return id;
}

platform::RunLoopSourceId SimEventSystem::createRunLoopSource(EventTapId tap) {
    auto it = taps_.find(tap);
    if (failCreateSource || it == taps_.end()) return 0;
    if (it->second.source == 0) {
        it->second.source = nextSource_++;
        sources_[it->second.source] = tap;
    }
    return it->second.source;
}

void SimEventSystem::setEnabled(EventTapId tap, bool enabled) {
    auto it = taps_.find(tap);
    if (it == taps_.end()) return;
    it->second.enabled = enabled;
    if (journal) journal->note("tap " + hexText(it->second.mask) + (enabled ? " on" : " off"));
}

bool SimEventSystem::isEnabled(EventTapId tap) const {
    auto it = taps_.find(tap);
    return it != taps_.end() && it->second.enabled;
}

bool SimEventSystem::mainLoopContains(platform::RunLoopSourceId source) const {
    auto it = sources_.find(source);
    return it != sources_.end() && taps_.at(it->second).inMainLoop;
}

void SimEventSystem::addToMainLoop(platform::RunLoopSourceId source) {
    ++addSourceCalls;
    auto it = sources_.find(source);
    if (it != sources_.end()) taps_.at(it->second).inMainLoop = true;
}

void SimEventSystem::removeFromMainLoop(platform::RunLoopSourceId source) {
    auto it = sources_.find(source);
    if (it != sources_.end()) taps_.at(it->second).inMainLoop = false;
}

void SimEventSystem::post(TapLocation location, const Event& event) {
    Route route = location == TapLocation::Hid       ? Route::Hid
                  : location == TapLocation::Session ? Route::Session
                                                     : Route::AnnotatedSession;
    record(route, nullptr, event);
    enter(route, nullptr, event, true);
}

void SimEventSystem::postToProxy(platform::TapProxy proxy, const Event& event) {
    record(Route::Proxy, proxy, event);
    enter(Route::Proxy, proxy, event, true);
}

void SimEventSystem::inject(const Event& event) { enter(Route::Hid, nullptr, event, false); }

void SimEventSystem::injectOnNextTurn(const Event& event) { enter(Route::Hid, nullptr, event, true); }

std::optional<std::vector<platform::EventTapInfo>> SimEventSystem::tapList() {
    if (failTapList) return std::nullopt;
    std::vector<platform::EventTapInfo> list;
    for (EventTapId id : created_) {
        const Tap& t = taps_.at(id);
        list.push_back(platform::EventTapInfo{static_cast<std::uint32_t>(id), t.location, t.options, t.mask, ownPid,
                                              0, t.enabled});
    }
    list.insert(list.end(), foreignTaps.begin(), foreignTaps.end());
    return list;
}

std::optional<Event> SimEventSystem::sendNotice(EventTapId tap, std::uint32_t notice) {
    Tap& t = taps_.at(tap);
    t.enabled = false;
    Event empty;
    t.received.push_back(Received{notice, empty});
    running_.push_back(tap);
    auto result = t.callback(&t, notice, empty);
    running_.pop_back();
    return result;
}

std::vector<EventTapId> SimEventSystem::taps() const { return created_; }

EventTapId SimEventSystem::tapOfProxy(platform::TapProxy proxy) const {
    for (const auto& [id, t] : taps_)
        if (&t == proxy) return id;
    return 0;
}

platform::TapProxy SimEventSystem::proxyOf(EventTapId tap) const {
    auto it = taps_.find(tap);
    return it == taps_.end() ? nullptr : &it->second;
}

bool SimEventSystem::sourceInMainLoop(EventTapId tap) const {
    auto it = taps_.find(tap);
    return it != taps_.end() && it->second.inMainLoop;
}

Event SimEventSystem::takeDelivered() {
    return takeFront(delivered, "the delivered events");
}

SimEventSystem::Posted SimEventSystem::takePosted() {
    return takeFront(posted, "the posted events");
}

SimEventSystem::Received SimEventSystem::takeReceived(EventTapId tap) {
    return takeFront(taps_.at(tap).received, "the tap's received events");
}

void SimEventSystem::clearLogs() {
    delivered.clear();
    posted.clear();
    for (auto& [id, t] : taps_) t.received.clear();
}

void SimEventSystem::record(Route route, platform::TapProxy proxy, const Event& event) {
    std::lock_guard<std::mutex> lock(postedMutex_);
    posted.push_back(Posted{route, proxy, event});
    if (onPost) onPost(posted.back());
}

void SimEventSystem::enter(Route route, platform::TapProxy proxy, Event event, bool posted) {
    const auto arrive = [this, route, proxy](Event e) {
        if (auto start = startIndex(route, proxy)) flow(*start, std::move(e));
    };
    if (std::this_thread::get_id() != mainThread_) {
        loop_.postFromAnyThread([arrive, event] { arrive(event); });
        return;
    }
    const bool ownProxy = route == Route::Proxy && inside() && proxyOf(running_.back()) == proxy;
    if (ownProxy) {
        arrive(std::move(event));
        return;
    }
    if (inside() || posted) {
        // Arrives when the loop turns, also inside a nested spin of a callback.
        loop_.post([arrive, event] { arrive(event); });
        return;
    }
    arrive(std::move(event));
}

std::optional<std::size_t> SimEventSystem::startIndex(Route route, platform::TapProxy proxy) const {
    if (route == Route::Proxy) {
        auto it = std::find(chain_.begin(), chain_.end(), tapOfProxy(proxy));
        if (it == chain_.end()) return std::nullopt;
        return static_cast<std::size_t>(it - chain_.begin()) + 1;
    }
    const std::uint32_t r = route == Route::Hid       ? 0u
                            : route == Route::Session ? static_cast<std::uint32_t>(TapLocation::Session)
                                                      : static_cast<std::uint32_t>(TapLocation::AnnotatedSession);
    std::size_t i = 0;
    while (i < chain_.size() && static_cast<std::uint32_t>(taps_.at(chain_[i]).location) < r) ++i;
    return i;
}

void SimEventSystem::flow(std::size_t start, Event event) {
    const std::vector<EventTapId> chain = chain_;
    for (std::size_t i = start; i < chain.size(); ++i) {
        auto it = taps_.find(chain[i]);
        if (it == taps_.end()) continue;
        Tap& t = it->second;
        const std::uint32_t type = event.type();
        if (!t.enabled || !t.inMainLoop || type >= 64 || (t.mask & (std::uint64_t{1} << type)) == 0) continue;
        t.received.push_back(Received{type, event});
        running_.push_back(chain[i]);
        // The callback may change the tap list; keep our own copy of it.
        platform::TapCallback callback = t.callback;
        std::optional<Event> result = callback(&t, type, event);
        running_.pop_back();
        if (taps_.at(chain[i]).options == platform::TapOptions::ListenOnly) continue;
        if (!result) return;
        event = std::move(*result);
    }
    delivered.push_back(std::move(event));
}

} // namespace corv::sim
