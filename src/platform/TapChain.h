#pragma once

// The chain of event taps an input event passes on its way to the
// applications; shared by every machine that has an event stream.
//
// Taps sit in one chain: those at the HID location, then the session ones,
// then the annotated-session ones; within a location a head-inserted tap goes
// first, a tail-appended one last. An event passes the enabled taps whose
// source is on the main run loop and whose mask holds its type, in chain
// order; each callback returns it (maybe changed) or swallows it. Listen-only
// taps see it but cannot change it. What leaves the last tap is the outcome.
//
// Device input enters before the first tap; a post at a location enters at
// that location's first tap, so the program's own session taps see its own
// synthetic events; a post through a proxy continues after the proxy's tap.
// Posted events reach the taps on a later turn of the main run loop, in
// posting order; so does input that comes while a callback runs (it arrives
// once the loop turns, also inside a nested spin). Only a post through the
// running tap's own proxy goes on at once, ahead of the event being handled.
// Entries from other threads reach the chain through the main queue.

#include "platform/EventTaps.h"
#include "platform/RunLoop.h"

#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <optional>
#include <thread>
#include <vector>

namespace corv::platform {

class TapChain {
public:
    // Tags an event from its entry to its outcome; 0 for the program's posts.
    using Token = std::uint64_t;
    // The event that left the last tap, or nothing when a tap swallowed it.
    using Outcome = std::function<void(Token token, std::optional<Event> event)>;
    // A callback is about to be handed the type (or notice) and event.
    using Seen = std::function<void(EventTapId tap, std::uint32_t type, const Event& event)>;

    // Call on the main thread.
    explicit TapChain(RunLoop& loop) : loop_(loop), mainThread_(std::this_thread::get_id()) {}

    EventTapId createTap(TapLocation location, TapPlacement placement, TapOptions options, std::uint64_t mask,
                         TapCallback callback);
    RunLoopSourceId createRunLoopSource(EventTapId tap);
    void setEnabled(EventTapId tap, bool enabled);
    bool isEnabled(EventTapId tap) const;
    bool mainLoopContains(RunLoopSourceId source) const;
    void addToMainLoop(RunLoopSourceId source);
    void removeFromMainLoop(RunLoopSourceId source);

    // Any thread.
    void post(TapLocation location, const Event& event);
    void postToProxy(TapProxy proxy, const Event& event);
    // Device input; at once when the chain is idle on the main thread.
    void inject(const Event& event, Token token = 0);
    // Device input that waits for the next turn of the main run loop.
    void injectOnNextTurn(const Event& event, Token token = 0);

    // The system disables the tap and tells its callback with the notice
    // type; gives what the callback returned.
    std::optional<Event> sendNotice(EventTapId tap, std::uint32_t notice);

    // The taps in creation order, with their state.
    std::vector<EventTapInfo> list(std::int32_t ownPid) const;
    std::vector<EventTapId> taps() const { return created_; }
    EventTapId tapOfProxy(TapProxy proxy) const;
    TapProxy proxyOf(EventTapId tap) const;
    bool sourceInMainLoop(EventTapId tap) const;

    // Event types some live tap asks for, bit n for type n. Live: enabled with
    // its source on the main run loop.
    std::uint64_t wantedTypes() const;
    // The active (not listen-only) live taps that ask for the type, in chain order.
    std::vector<EventTapId> judgesOf(std::uint32_t type) const;

    // See EventTaps::setKeyFilter. Codes from 256 on count as any key.
    void setKeyFilter(EventTapId tap, std::optional<std::vector<std::uint16_t>> keys);
    // The key codes whose key-downs and key-ups some live tap may change: all,
    // or those whose bit is set (bit n of word n / 64 for code n).
    struct KeyInterest {
        bool all = false;
        std::array<std::uint64_t, 4> keys{};
        bool has(std::uint16_t code) const {
            return all || (code < 256 && (keys[code / 64] >> (code % 64) & 1) != 0);
        }
    };
    KeyInterest keyInterest() const;
    // Events entered for a later turn that have not left the chain yet; any
    // thread may ask.
    int waiting() const { return waiting_.load(); }

    Outcome onOutcome;
    Seen onSeen;
    // After a tap is made, enabled, disabled or its source added or removed.
    std::function<void()> onChange;

private:
    struct Tap {
        TapLocation location = TapLocation::Session;
        TapOptions options = TapOptions::Default;
        std::uint64_t mask = 0;
        TapCallback callback;
        bool enabled = false;
        RunLoopSourceId source = 0;
        bool inMainLoop = false;
        std::optional<std::array<std::uint64_t, 4>> keyFilter;  // nothing: any key
        bool live() const { return enabled && inMainLoop; }
    };
    enum class Route { Hid, Session, AnnotatedSession, Proxy };

    void enter(Route route, TapProxy proxy, Event event, bool later, Token token);
    std::optional<std::size_t> startIndex(Route route, TapProxy proxy) const;
    void flow(std::size_t start, Event event, Token token);
    void finish(Token token, std::optional<Event> event);
    void changed();
    bool inside() const { return !running_.empty(); }

    RunLoop& loop_;
    std::thread::id mainThread_;
    std::map<EventTapId, Tap> taps_;
    std::vector<EventTapId> chain_;
    std::vector<EventTapId> created_;
    std::map<RunLoopSourceId, EventTapId> sources_;
    std::vector<EventTapId> running_;  // taps whose callback is on the stack
    std::atomic<int> waiting_{0};
    EventTapId nextTap_ = 1;
    RunLoopSourceId nextSource_ = 1;
};

} // namespace corv::platform
