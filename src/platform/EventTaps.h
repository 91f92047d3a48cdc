#pragma once

// Event taps of the window server: filters that see input events on their way
// to the applications, and the posting of events into that stream.

#include "platform/Event.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace corv::platform {

// 0 stands for "none" in each of these.
using EventTapId = std::uint64_t;
using RunLoopSourceId = std::uint64_t;
// Opaque; names the tap a callback runs for. Events posted through it
// continue after that tap.
using TapProxy = const void*;

enum class TapLocation : std::uint32_t { Hid = 0, Session = 1, AnnotatedSession = 2 };
enum class TapPlacement : std::uint32_t { HeadInsert = 0, TailAppend = 1 };
// Default: an active filter that may change or swallow events.
enum class TapOptions : std::uint32_t { Default = 0, ListenOnly = 1 };

// Gets the tap's proxy, the event type (or a disabled notice) and the event;
// returns the event to let through, possibly changed, or nothing to swallow it.
using TapCallback = std::function<std::optional<Event>(TapProxy proxy, std::uint32_t type, Event event)>;

// One installed tap, of this program or another.
struct EventTapInfo {
    std::uint32_t tapId = 0;
    TapLocation location = TapLocation::Session;
    TapOptions options = TapOptions::Default;
    std::uint64_t eventsOfInterest = 0;
    std::int32_t tappingProcess = 0;
    std::int32_t processBeingTapped = 0;  // 0: all processes
    bool enabled = false;
};

class EventTaps {
public:
    virtual ~EventTaps() = default;

    // A new tap for the event types whose bits are set in the mask. It starts
    // disabled. 0 when the tap cannot be made.
    virtual EventTapId createTap(TapLocation location, TapPlacement placement, TapOptions options,
                                 std::uint64_t mask, TapCallback callback) = 0;
    // The run-loop source that delivers the tap's events; 0 on failure.
    virtual RunLoopSourceId createRunLoopSource(EventTapId tap) = 0;

    virtual void setEnabled(EventTapId tap, bool enabled) = 0;
    virtual bool isEnabled(EventTapId tap) const = 0;

    // The main run loop's sources, in the common modes.
    virtual bool mainLoopContains(RunLoopSourceId source) const = 0;
    virtual void addToMainLoop(RunLoopSourceId source) = 0;
    virtual void removeFromMainLoop(RunLoopSourceId source) = 0;

    // Posts the event into the stream at the location.
    virtual void post(TapLocation location, const Event& event) = 0;
    // Posts the event into the stream just after the proxy's tap.
    virtual void postToProxy(TapProxy proxy, const Event& event) = 0;

    // Every installed tap; nothing when the list cannot be read.
    virtual std::optional<std::vector<EventTapInfo>> tapList() = 0;

    // The key codes whose key-down and key-up events the tap may change or
    // swallow: every other key event passes it unchanged, so the stream may
    // pass it without the tap. Nothing: any key (the default).
    virtual void setKeyFilter(EventTapId tap, std::optional<std::vector<std::uint16_t>> keys) {
        (void)tap;
        (void)keys;
    }
};

} // namespace corv::platform
