#pragma once

// What happens to the input of one taken device, without the device: its
// frames become units (a key, a button, motion, a wheel turn, or anything
// else), each unit either passes to the device's clone at once or waits for
// the tap chain's verdict, and the router keeps what the clone holds so that
// every key the clone got down also gets its up there, and no other up.

#include "platform/Event.h"

#include <linux/input.h>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <vector>

namespace corv::desktop {

class InputRouter {
public:
    struct Unit {
        enum class Kind { Other, Key, Button, Motion, Wheel };
        Kind kind = Kind::Other;
        std::vector<input_event> events;  // without the frame's SYN_REPORT
        std::uint16_t code = 0;           // Key and Button: the code after the remap
        std::int32_t value = 0;           // Key and Button: 0 up, 1 down, 2 repeat
        // What the tap chain sees; nothing for kinds it has no event for.
        std::optional<platform::Event> event;
    };

    // `sender` becomes every event's sender registry id.
    explicit InputRouter(std::int64_t sender = 0) : sender_(sender) {}

    // Key code to key code, applied before anything else sees a key.
    void setRemap(std::map<std::uint16_t, std::uint16_t> remap) { remap_ = std::move(remap); }
    // The Caps Lock state the device starts with.
    void setCapsLock(bool on) { capsLock_ = on; }

    // One frame (its events without the SYN_REPORT) as units, in order. Keeps
    // the held modifiers, so call it once per frame.
    std::vector<Unit> split(std::span<const input_event> frame);

    // Whether the unit waits for the chain, given the event types the live taps
    // ask for. A key or button whose down passed unasked passes unasked up too.
    bool waits(const Unit& unit, std::uint64_t wantedTypes) const;

    // What the clone gets for a unit that passes without a verdict (unasked or
    // timed out).
    std::vector<input_event> pass(const Unit& unit) { return output(unit, unit.events, true); }
    // What the clone gets for the chain's verdict: the event that left the
    // chain, or nothing when a tap swallowed it.
    std::vector<input_event> resolve(const Unit& unit, const std::optional<platform::Event>& verdict);

    // Up events for every key and button the clone holds, and forgets them.
    std::vector<input_event> releaseAll();

    bool cloneHolds(std::uint16_t code) const { return held_.count(code) != 0; }
    platform::EventFlags flags() const;

private:
    Unit keyUnit(const input_event& ev, std::vector<input_event> events);
    std::vector<input_event> output(const Unit& unit, std::vector<input_event> events, bool unasked);
    std::uint32_t motionType() const;

    std::int64_t sender_;
    std::map<std::uint16_t, std::uint16_t> remap_;
    std::set<std::uint16_t> down_;        // keys and buttons down on the device (after the remap)
    std::set<std::uint16_t> unasked_;     // whose down passed without the chain
    std::map<std::uint16_t, std::uint16_t> held_;  // device code -> code held on the clone
    bool capsLock_ = false;
};

// Builds raw events.
input_event inputEvent(std::uint16_t type, std::uint16_t code, std::int32_t value);

} // namespace corv::desktop
