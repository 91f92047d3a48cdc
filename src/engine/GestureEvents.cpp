#include "engine/GestureEvents.h"

#include "engine/EventFields.h"
#include "engine/EventKinds.h"
#include "engine/NaturalScrollMirror.h"
#include "engine/SessionPost.h"
#include "platform/Platform.h"

#include <cmath>
#include <limits>

namespace corv::engine {

namespace {

constexpr std::uint8_t kTrailerMarker[2] = {0x10, 0x6D};
constexpr std::uint32_t kGestureBlockLength = 40;
constexpr std::uint32_t kVelocityBlockLength = 28;
constexpr std::uint16_t kAfterMotion = 3;

bool closing(std::int64_t phase) { return phase == Phase::Ended || phase == Phase::Cancelled; }

void put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void put16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void zeros(Bytes& b, std::size_t n) { b.insert(b.end(), n, 0); }

// 16.16 fixed point, rounded toward zero.
std::int32_t fixed(double x) {
    const double v = std::trunc(x * 65536.0);
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) return std::numeric_limits<std::int32_t>::max();
    if (v <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

} // namespace

Bytes dockSwipeTrailer(std::int64_t motion, std::int64_t phase, double progress, double velocity,
                       bool naturalScroll) {
    const double n = naturalScroll ? 1.0 : -1.0;
    const double m = motion == 1 ? -1.0 : 1.0;
    const bool close = closing(phase);

    Bytes body;
    zeros(body, 24);
    put32(body, close ? 2 : 1);

    put32(body, kGestureBlockLength);
    put32(body, static_cast<std::uint32_t>(raw(CGEventSubType::DockSwipe)));
    put32(body, static_cast<std::uint32_t>(phase) << 24);
    zeros(body, 20);
    put16(body, static_cast<std::uint16_t>(static_cast<std::int16_t>(motion)));
    put16(body, kAfterMotion);
    put32(body, static_cast<std::uint32_t>(fixed(progress * m * n)));

    if (close) {
        const auto v = static_cast<std::uint32_t>(fixed(velocity * m * n));
        put32(body, kVelocityBlockLength);
        put32(body, static_cast<std::uint32_t>(raw(CGEventSubType::Velocity)));
        put32(body, 0);
        put32(body, 1);
        put32(body, v);
        put32(body, v);
        put32(body, 0);
    }

    if (body.empty() || body.size() >= 65536) return {};
    Bytes trailer;
    trailer.push_back(static_cast<std::uint8_t>(body.size() >> 8));
    trailer.push_back(static_cast<std::uint8_t>(body.size()));
    trailer.insert(trailer.end(), std::begin(kTrailerMarker), std::end(kTrailerMarker));
    trailer.insert(trailer.end(), body.begin(), body.end());
    return trailer;
}

std::optional<platform::Event> makeDockSwipeEvent(std::int64_t motion, std::int64_t phase, double progress,
                                                  double velocity, bool naturalScroll) {
    const double n = naturalScroll ? 1.0 : -1.0;
    platform::Event event;
    event.setIntegerField(EventField::RecordType, raw(NSEventType::DockControl));
    event.setIntegerField(EventField::GestureSubtype, raw(CGEventSubType::DockSwipe));
    event.setIntegerField(EventField::DockSwipeMotion, motion);
    event.setIntegerField(EventField::GesturePhase, phase);
    event.setDoubleField(EventField::DockSwipeProgress, progress * n);
    if (closing(phase)) event.setDoubleField(EventField::DockSwipeVelocity, velocity * n);

    Bytes data = event.serialize();
    const Bytes trailer = dockSwipeTrailer(motion, phase, progress, velocity, naturalScroll);
    if (trailer.empty()) return std::nullopt;
    data.insert(data.end(), trailer.begin(), trailer.end());
    return platform::Event::fromData(data);
}

void postDockSwipeEvent(std::int64_t motion, std::int64_t phase, double progress, double velocity) {
    auto event = makeDockSwipeEvent(motion, phase, progress, velocity, NaturalScrollMirror::shared().get());
    if (event) postAtSession(*event);
}

void postNavigationSwipe(std::int64_t direction) {
    auto event = std::make_shared<platform::Event>();
    platform::runLoop().post([event, direction] { postGestureEventPair(event, direction); });
}

void postGestureEventPair(std::shared_ptr<platform::Event> event, std::int64_t direction) {
    if (event) {
        event->setType(raw(NSEventType::Gesture));
        event->setIntegerField(EventField::GestureSubtype, raw(CGEventSubType::NavigationSwipe));
        event->setIntegerField(EventField::GesturePhase, Phase::Began);
        event->setIntegerField(EventField::NavigationSwipeDirection, direction);
        postAtSession(*event);
    }
    platform::runLoop().post([event] {
        if (!event) return;
        event->setIntegerField(EventField::NavigationSwipeDirection, 0);
        event->setIntegerField(EventField::GesturePhase, Phase::Ended);
        postAtSession(*event);
    });
}

} // namespace corv::engine
