#include "platform/TapChain.h"

#include <algorithm>
#include <utility>

namespace corv::platform {

EventTapId TapChain::createTap(TapLocation location, TapPlacement placement, TapOptions options, std::uint64_t mask,
                               TapCallback callback) {
    if (!callback) return 0;
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
    chain_.insert(placement == TapPlacement::HeadInsert ? groupBegin : groupEnd, id);
    changed();
    return id;
}

RunLoopSourceId TapChain::createRunLoopSource(EventTapId tap) {
    auto it = taps_.find(tap);
    if (it == taps_.end()) return 0;
    if (it->second.source == 0) {
        it->second.source = nextSource_++;
        sources_[it->second.source] = tap;
    }
    return it->second.source;
}

void TapChain::setEnabled(EventTapId tap, bool enabled) {
    auto it = taps_.find(tap);
    if (it == taps_.end()) return;
    it->second.enabled = enabled;
    changed();
}

bool TapChain::isEnabled(EventTapId tap) const {
    auto it = taps_.find(tap);
    return it != taps_.end() && it->second.enabled;
}

bool TapChain::mainLoopContains(RunLoopSourceId source) const {
    auto it = sources_.find(source);
    return it != sources_.end() && taps_.at(it->second).inMainLoop;
}

void TapChain::addToMainLoop(RunLoopSourceId source) {
    auto it = sources_.find(source);
    if (it == sources_.end()) return;
    taps_.at(it->second).inMainLoop = true;
    changed();
}

void TapChain::removeFromMainLoop(RunLoopSourceId source) {
    auto it = sources_.find(source);
    if (it == sources_.end()) return;
    taps_.at(it->second).inMainLoop = false;
    changed();
}

void TapChain::post(TapLocation location, const Event& event) {
    Route route = location == TapLocation::Hid       ? Route::Hid
                  : location == TapLocation::Session ? Route::Session
                                                     : Route::AnnotatedSession;
    enter(route, nullptr, event, true, 0);
}

void TapChain::postToProxy(TapProxy proxy, const Event& event) { enter(Route::Proxy, proxy, event, true, 0); }

void TapChain::inject(const Event& event, Token token) { enter(Route::Hid, nullptr, event, false, token); }

void TapChain::injectOnNextTurn(const Event& event, Token token) { enter(Route::Hid, nullptr, event, true, token); }

std::optional<Event> TapChain::sendNotice(EventTapId tap, std::uint32_t notice) {
    auto it = taps_.find(tap);
    if (it == taps_.end()) return std::nullopt;
    it->second.enabled = false;
    changed();
    Event empty;
    if (onSeen) onSeen(tap, notice, empty);
    running_.push_back(tap);
    TapCallback callback = taps_.at(tap).callback;
    auto result = callback(&taps_.at(tap), notice, empty);
    running_.pop_back();
    return result;
}

std::vector<EventTapInfo> TapChain::list(std::int32_t ownPid) const {
    std::vector<EventTapInfo> out;
    for (EventTapId id : created_) {
        const Tap& t = taps_.at(id);
        out.push_back(EventTapInfo{static_cast<std::uint32_t>(id), t.location, t.options, t.mask, ownPid, 0,
                                   t.enabled});
    }
    return out;
}

EventTapId TapChain::tapOfProxy(TapProxy proxy) const {
    for (const auto& [id, t] : taps_)
        if (&t == proxy) return id;
    return 0;
}

TapProxy TapChain::proxyOf(EventTapId tap) const {
    auto it = taps_.find(tap);
    return it == taps_.end() ? nullptr : &it->second;
}

bool TapChain::sourceInMainLoop(EventTapId tap) const {
    auto it = taps_.find(tap);
    return it != taps_.end() && it->second.inMainLoop;
}

std::uint64_t TapChain::wantedTypes() const {
    std::uint64_t mask = 0;
    for (const auto& [id, t] : taps_)
        if (t.live()) mask |= t.mask;
    return mask;
}

std::vector<EventTapId> TapChain::judgesOf(std::uint32_t type) const {
    std::vector<EventTapId> out;
    if (type >= 64) return out;
    for (EventTapId id : chain_) {
        const Tap& t = taps_.at(id);
        if (t.live() && t.options == TapOptions::Default && (t.mask & (std::uint64_t{1} << type)) != 0)
            out.push_back(id);
    }
    return out;
}

void TapChain::setKeyFilter(EventTapId tap, std::optional<std::vector<std::uint16_t>> keys) {
    auto it = taps_.find(tap);
    if (it == taps_.end()) return;
    std::optional<std::array<std::uint64_t, 4>> filter;
    if (keys) {
        filter.emplace();
        for (std::uint16_t code : *keys) {
            if (code >= 256) {
                filter.reset();
                break;
            }
            (*filter)[code / 64] |= std::uint64_t{1} << (code % 64);
        }
    }
    if (filter == it->second.keyFilter) return;
    it->second.keyFilter = filter;
    changed();
}

TapChain::KeyInterest TapChain::keyInterest() const {
    constexpr std::uint64_t keyTypes =
        (std::uint64_t{1} << eventType::KeyDown) | (std::uint64_t{1} << eventType::KeyUp);
    KeyInterest interest;
    for (const auto& [id, t] : taps_) {
        if (!t.live() || (t.mask & keyTypes) == 0) continue;
        if (!t.keyFilter) {
            interest.all = true;
            return interest;
        }
        for (std::size_t i = 0; i < interest.keys.size(); ++i) interest.keys[i] |= (*t.keyFilter)[i];
    }
    return interest;
}

void TapChain::enter(Route route, TapProxy proxy, Event event, bool later, Token token) {
    const auto arrive = [this, route, proxy, token](Event e) {
        if (auto start = startIndex(route, proxy))
            flow(*start, std::move(e), token);
        else
            finish(token, std::nullopt);
    };
    if (std::this_thread::get_id() != mainThread_) {
        ++waiting_;
        loop_.postFromAnyThread([this, arrive, event] {
            arrive(event);
            --waiting_;
        });
        return;
    }
    const bool ownProxy = route == Route::Proxy && inside() && proxyOf(running_.back()) == proxy;
    if (ownProxy) {
        arrive(std::move(event));
        return;
    }
    if (inside() || later) {
        // Arrives when the loop turns, also inside a nested spin of a callback.
        ++waiting_;
        loop_.post([this, arrive, event] {
            arrive(event);
            --waiting_;
        });
        return;
    }
    arrive(std::move(event));
}

std::optional<std::size_t> TapChain::startIndex(Route route, TapProxy proxy) const {
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

void TapChain::flow(std::size_t start, Event event, Token token) {
    const std::vector<EventTapId> chain = chain_;
    for (std::size_t i = start; i < chain.size(); ++i) {
        auto it = taps_.find(chain[i]);
        if (it == taps_.end()) continue;
        Tap& t = it->second;
        const std::uint32_t type = event.type();
        if (!t.live() || type >= 64 || (t.mask & (std::uint64_t{1} << type)) == 0) continue;
        if (onSeen) onSeen(chain[i], type, event);
        running_.push_back(chain[i]);
        // The callback may change the tap list; keep our own copy of it.
        TapCallback callback = t.callback;
        std::optional<Event> result = callback(&t, type, event);
        running_.pop_back();
        if (taps_.at(chain[i]).options == TapOptions::ListenOnly) continue;
        if (!result) return finish(token, std::nullopt);
        event = std::move(*result);
    }
    finish(token, std::move(event));
}

void TapChain::finish(Token token, std::optional<Event> event) {
    if (onOutcome) onOutcome(token, std::move(event));
}

void TapChain::changed() {
    if (onChange) onChange();
}

} // namespace corv::platform
