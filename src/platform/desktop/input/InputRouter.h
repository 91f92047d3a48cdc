#pragma once

// What happens to the input of one taken device, without the device: its
// frames become units (a key, a button, motion, a wheel turn, or anything
// else), each unit either passes to the device's clone at once or waits for
// the tap chain's verdict, and the router keeps what the clone holds so that
// every key the clone got down also gets its up there, and no other up. A key
// that several of the device's keys make (through the remap or a tap) goes
// down on the clone with the first of them and up with the last.

#include "platform/Event.h"
#include "platform/desktop/input/SeatModifiers.h"

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
        std::uint16_t deviceCode = 0;     // Key and Button: the device's own code
        std::int32_t value = 0;           // Key and Button: 0 up, 1 down, 2 repeat
        // What the tap chain sees; nothing for kinds it has no event for.
        std::optional<platform::Event> event;
    };

    // `sender` becomes every event's sender registry id; the modifiers are
    // the seat's, or the device's own without one.
    explicit InputRouter(std::int64_t sender = 0, SeatModifiers* seat = nullptr)
        : sender_(sender), seat_(seat ? seat : &own_) {}
    InputRouter(const InputRouter&) = delete;
    InputRouter& operator=(const InputRouter&) = delete;

    // Key code to key code, applied to a key's down; its repeats and up keep
    // the code the down had.
    void setRemap(std::map<std::uint16_t, std::uint16_t> remap) { remap_ = std::move(remap); }
    // The Caps Lock state the device starts with.
    void setCapsLock(bool on) { seat_->setCapsLock(on); }

    // One frame (its events without the SYN_REPORT) as units, in order. Keeps
    // the held modifiers, so call it once per frame.
    std::vector<Unit> split(std::span<const input_event> frame);

    // Whether the unit waits for the chain, given the event types the live taps
    // ask for. A key or button whose down passed unasked passes unasked up too.
    // `watched` false: no tap may change this key now. A key whose down passed
    // for that waits again, for its repeats and up, once it is watched; one
    // whose down was judged waits for them whatever `watched` says.
    bool waits(const Unit& unit, std::uint64_t wantedTypes, bool watched = true) const;

    // What the clone gets for a unit that passes without a verdict (unasked,
    // unwatched or timed out).
    std::vector<input_event> pass(const Unit& unit, bool unwatched = false) {
        return output(unit, unit.events, unwatched ? Passed::Unwatched : Passed::Unasked);
    }
    // What the clone gets for the chain's verdict: the event that left the
    // chain, or nothing when a tap swallowed it.
    std::vector<input_event> resolve(const Unit& unit, const std::optional<platform::Event>& verdict);

    // Up events for every key and button the clone holds, one each, and
    // forgets them.
    std::vector<input_event> releaseAll();
    // The device went: the events its keys' ups would have given the chain,
    // for those whose down it judged, and the seat lets go of them all.
    std::vector<platform::Event> endKeys();

    platform::EventFlags flags() const;

private:
    Unit keyUnit(const input_event& ev, std::vector<input_event> events);
    enum class Passed { Judged, Unasked, Unwatched };
    std::vector<input_event> output(const Unit& unit, std::vector<input_event> events, Passed how);
    // Whether a key other than the device's `deviceCode` holds `code` on the clone.
    bool heldByAnother(std::uint16_t deviceCode, std::uint16_t code) const;
    std::uint32_t motionType() const;
    void forget(std::uint16_t deviceCode) {
        unasked_.erase(deviceCode);
        unwatched_.erase(deviceCode);
    }

    std::int64_t sender_;
    SeatModifiers own_;
    SeatModifiers* seat_;
    std::map<std::uint16_t, std::uint16_t> remap_;
    // All by the device's code: keys and buttons down on the device, with the
    // code their down was remapped to; those whose down passed without the
    // chain; and the code each holds on the clone.
    std::map<std::uint16_t, std::uint16_t> down_;
    std::set<std::uint16_t> unasked_;
    std::set<std::uint16_t> unwatched_;  // of unasked_: passed for no tap watching the key
    std::map<std::uint16_t, std::uint16_t> held_;
};

// Builds raw events.
input_event inputEvent(std::uint16_t type, std::uint16_t code, std::int32_t value);

} // namespace corv::desktop
