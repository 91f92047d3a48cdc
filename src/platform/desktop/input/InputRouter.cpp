#include "platform/desktop/input/InputRouter.h"

#include "platform/desktop/input/EvdevKeyMap.h"

#include <algorithm>
#include <cmath>

namespace corv::desktop {

namespace {

using platform::Event;
namespace et = platform::eventType;

constexpr std::uint32_t kDeltaX = 4;  // mouse delta fields
constexpr std::uint32_t kDeltaY = 5;
constexpr std::uint32_t kSenderRegistryId = 87;
constexpr std::uint32_t kLeftDown = 1, kLeftUp = 2, kRightDown = 3, kRightUp = 4, kMoved = 5, kLeftDragged = 6,
                        kRightDragged = 7, kOtherDown = 25, kOtherUp = 26, kOtherDragged = 27;

// The button number of a mouse button code; nothing for other codes.
std::optional<std::uint32_t> buttonNumber(std::uint16_t code) {
    switch (code) {
    case BTN_LEFT: return 0;
    case BTN_RIGHT: return 1;
    case BTN_MIDDLE: return 2;
    case BTN_SIDE:
    case BTN_BACK: return 3;
    case BTN_EXTRA:
    case BTN_FORWARD: return 4;
    case BTN_TASK: return 5;
    default: return std::nullopt;
    }
}

bool isWheel(std::uint16_t code) {
    return code == REL_WHEEL || code == REL_HWHEEL || code == REL_WHEEL_HI_RES || code == REL_HWHEEL_HI_RES;
}

std::uint64_t nanoseconds(const input_event& ev) {
    return static_cast<std::uint64_t>(ev.input_event_sec) * 1000000000ull +
           static_cast<std::uint64_t>(ev.input_event_usec) * 1000ull;
}

bool isFlagKey(std::uint16_t code) { return code == KEY_CAPSLOCK || modifierFlagsOfEvdev(code) != 0; }

} // namespace

input_event inputEvent(std::uint16_t type, std::uint16_t code, std::int32_t value) {
    input_event ev{};
    ev.type = type;
    ev.code = code;
    ev.value = value;
    return ev;
}

platform::EventFlags InputRouter::flags() const { return flag::NonCoalesced | seat_->flags(); }

std::uint32_t InputRouter::motionType() const {
    std::uint32_t type = kMoved;
    for (const auto& [device, code] : down_) {
        if (code == BTN_LEFT) return kLeftDragged;
        if (code == BTN_RIGHT) type = kRightDragged;
        else if (type == kMoved && buttonNumber(code)) type = kOtherDragged;
    }
    return type;
}

InputRouter::Unit InputRouter::keyUnit(const input_event& ev, std::vector<input_event> events) {
    Unit unit;
    unit.code = ev.code;
    unit.deviceCode = events.empty() ? ev.code : events.back().code;
    unit.value = ev.value;
    unit.events = std::move(events);
    unit.events.back().code = ev.code;
    if (ev.value == 1 && down_.emplace(unit.deviceCode, ev.code).second) seat_->key(ev.code, true);
    if (ev.value == 0 && down_.erase(unit.deviceCode)) seat_->key(ev.code, false);

    if (auto button = buttonNumber(ev.code)) {
        unit.kind = Unit::Kind::Button;
        if (ev.value == 2) return unit;
        const bool down = ev.value == 1;
        const std::uint32_t type = *button == 0   ? (down ? kLeftDown : kLeftUp)
                                   : *button == 1 ? (down ? kRightDown : kRightUp)
                                                  : (down ? kOtherDown : kOtherUp);
        Event e = Event::mouse(type, platform::Point{0, 0}, *button);
        e.setFlags(flags() & ~flag::NonCoalesced);
        unit.event = e;
    } else {
        unit.kind = Unit::Kind::Key;
        auto vk = virtualKeyOfEvdev(ev.code);
        if (!vk) return unit;
        if (isFlagKey(ev.code)) {
            if (ev.value == 2) return unit;
            if (ev.code == KEY_CAPSLOCK && ev.value == 1) seat_->toggleCapsLock();
            Event e = Event::keyboard(*vk, ev.value != 0);
            e.setType(et::FlagsChanged);
            e.setFlags(flags() | impliedFlagsOfEvdev(ev.code));
            unit.event = e;
        } else {
            Event e = Event::keyboard(*vk, ev.value != 0);
            if (ev.value == 2) e.setIntegerField(platform::field::KeyboardAutorepeat, 1);
            e.setFlags(flags() | impliedFlagsOfEvdev(ev.code));
            unit.event = e;
        }
    }
    return unit;
}

std::vector<InputRouter::Unit> InputRouter::split(std::span<const input_event> frame) {
    std::vector<Unit> units;
    std::vector<input_event> scan;  // an MSC_SCAN waiting for its key
    std::optional<std::size_t> motion, wheel;
    auto other = [&](const input_event& ev) {
        if (units.empty() || units.back().kind != Unit::Kind::Other) units.push_back(Unit{});
        units.back().events.push_back(ev);
    };
    for (input_event ev : frame) {
        if (ev.type == EV_MSC && ev.code == MSC_SCAN) {
            scan.push_back(ev);
            continue;
        }
        if (ev.type == EV_KEY) {
            // The device's code goes in the unit's last event; keyUnit puts
            // the remapped one back.
            std::vector<input_event> events = std::move(scan);
            scan.clear();
            events.push_back(ev);
            auto down = down_.find(ev.code);
            const std::uint16_t to = ev.value != 1 && down != down_.end() ? down->second
                                     : remap_.count(ev.code)           ? remap_.at(ev.code)
                                                                       : ev.code;
            if (to != ev.code) events.erase(events.begin(), events.end() - 1);  // the scan code named the old key
            ev.code = to;
            units.push_back(keyUnit(ev, std::move(events)));
            continue;
        }
        for (const auto& s : scan) other(s);
        scan.clear();
        if (ev.type == EV_REL && (ev.code == REL_X || ev.code == REL_Y)) {
            if (!motion) {
                motion = units.size();
                units.push_back(Unit{Unit::Kind::Motion, {}, 0, 0, 0, std::nullopt});
            }
            units[*motion].events.push_back(ev);
        } else if (ev.type == EV_REL && isWheel(ev.code)) {
            if (!wheel) {
                wheel = units.size();
                units.push_back(Unit{Unit::Kind::Wheel, {}, 0, 0, 0, std::nullopt});
            }
            units[*wheel].events.push_back(ev);
        } else {
            other(ev);
        }
    }
    for (const auto& s : scan) other(s);

    const std::uint64_t when = frame.empty() ? 0 : nanoseconds(frame.front());
    for (Unit& unit : units) {
        if (unit.kind == Unit::Kind::Motion) {
            std::int64_t dx = 0, dy = 0;
            for (const auto& ev : unit.events) (ev.code == REL_X ? dx : dy) += ev.value;
            Event e = Event::mouse(motionType(), platform::Point{0, 0}, 0);
            e.setIntegerField(kDeltaX, dx);
            e.setIntegerField(kDeltaY, dy);
            e.setFlags(flags() & ~flag::NonCoalesced);
            unit.event = e;
        } else if (unit.kind == Unit::Kind::Wheel) {
            std::int32_t lines[2] = {0, 0};
            std::int32_t fine[2] = {0, 0};
            bool hasFine[2] = {false, false};
            for (const auto& ev : unit.events) {
                const int axis = (ev.code == REL_WHEEL || ev.code == REL_WHEEL_HI_RES) ? 0 : 1;
                if (ev.code == REL_WHEEL_HI_RES || ev.code == REL_HWHEEL_HI_RES) {
                    fine[axis] += ev.value;
                    hasFine[axis] = true;
                } else {
                    lines[axis] += ev.value;
                }
            }
            Event e = Event::scrollWheel(platform::ScrollUnits::Line, lines[0], lines[1]);
            for (int axis = 0; axis < 2; ++axis) {
                if (!hasFine[axis]) continue;
                const double value = fine[axis] / 120.0;
                e.setDoubleField(axis == 0 ? platform::field::ScrollFixedDeltaAxis1
                                           : platform::field::ScrollFixedDeltaAxis2,
                                 value);
            }
            e.setFlags(flags() & ~flag::NonCoalesced);
            unit.event = e;
        }
        if (unit.event) {
            unit.event->setTimestamp(when);
            unit.event->setIntegerField(kSenderRegistryId, sender_);
        }
    }
    return units;
}

bool InputRouter::waits(const Unit& unit, std::uint64_t wantedTypes, bool watched) const {
    if (!unit.event) return false;
    const bool keyish = unit.kind == Unit::Kind::Key || unit.kind == Unit::Kind::Button;
    if (keyish && unit.value != 1) {
        if (!unasked_.count(unit.deviceCode))
            watched = true;  // the chain judged its down: it judges the rest
        else if (!unwatched_.count(unit.deviceCode))
            return false;
    }
    const std::uint32_t type = unit.event->type();
    return watched && type < 64 && (wantedTypes & (std::uint64_t{1} << type)) != 0;
}

std::vector<input_event> InputRouter::resolve(const Unit& unit, const std::optional<platform::Event>& verdict) {
    const bool keyish = unit.kind == Unit::Kind::Key || unit.kind == Unit::Kind::Button;
    if (!verdict) {
        // A swallowed up still ends what the clone holds; nothing else passes.
        if (keyish && unit.value == 0) return output(unit, unit.events, Passed::Judged);
        return {};
    }
    std::vector<input_event> events = unit.events;
    if (unit.kind == Unit::Kind::Key && unit.value == 1 && unit.event &&
        (verdict->type() == et::KeyDown) &&
        verdict->integerField(platform::field::KeyboardKeycode) !=
            unit.event->integerField(platform::field::KeyboardKeycode)) {
        // A tap changed the key: the clone gets the new one, without the old scan code.
        const auto vk = static_cast<std::uint16_t>(verdict->integerField(platform::field::KeyboardKeycode));
        if (auto code = evdevOfVirtualKey(vk)) {
            input_event down = inputEvent(EV_KEY, *code, 1);
            if (!unit.events.empty()) {
                down.input_event_sec = unit.events.back().input_event_sec;
                down.input_event_usec = unit.events.back().input_event_usec;
            }
            events.assign(1, down);
        }
    }
    return output(unit, std::move(events), Passed::Judged);
}

std::vector<input_event> InputRouter::output(const Unit& unit, std::vector<input_event> events, Passed how) {
    if (unit.kind != Unit::Kind::Key && unit.kind != Unit::Kind::Button) return events;
    if (unit.value == 1) {
        if (how != Passed::Judged)
            unasked_.insert(unit.deviceCode);
        else
            unasked_.erase(unit.deviceCode);
        if (how == Passed::Unwatched)
            unwatched_.insert(unit.deviceCode);
        else
            unwatched_.erase(unit.deviceCode);
        for (const auto& ev : events) {
            if (ev.type != EV_KEY) continue;
            held_[unit.deviceCode] = ev.code;
            // Another key made it already: the clone holds it once.
            if (heldByAnother(unit.deviceCode, ev.code)) return {};
        }
        return events;
    }
    auto held = held_.find(unit.deviceCode);
    if (held == held_.end()) {
        if (unit.value == 0) forget(unit.deviceCode);
        return {};
    }
    if (unit.value == 0 && heldByAnother(unit.deviceCode, held->second)) {
        // It stays down for the key that still makes it.
        held_.erase(held);
        forget(unit.deviceCode);
        return {};
    }
    // Repeats and the up go to the code the clone holds.
    for (auto& ev : events) {
        if (ev.type == EV_KEY) ev.code = held->second;
        if (ev.type == EV_MSC && held->second != unit.code) ev = inputEvent(EV_SYN, SYN_CONFIG, 0);
    }
    std::erase_if(events, [](const input_event& ev) { return ev.type == EV_SYN; });
    if (unit.value == 0) {
        held_.erase(held);
        forget(unit.deviceCode);
    }
    return events;
}

bool InputRouter::heldByAnother(std::uint16_t deviceCode, std::uint16_t code) const {
    for (const auto& [device, as] : held_)
        if (as == code && device != deviceCode) return true;
    return false;
}

std::vector<input_event> InputRouter::releaseAll() {
    std::vector<input_event> out;
    for (const auto& held : held_) {
        const std::uint16_t code = held.second;
        if (std::none_of(out.begin(), out.end(), [code](const input_event& ev) { return ev.code == code; }))
            out.push_back(inputEvent(EV_KEY, code, 0));
    }
    held_.clear();
    unasked_.clear();
    unwatched_.clear();
    return out;
}

std::vector<Event> InputRouter::endKeys() {
    std::vector<Event> out;
    const auto down = down_;
    for (const auto& [device, code] : down) {
        const bool judged = !unasked_.count(device);
        Unit unit = keyUnit(inputEvent(EV_KEY, code, 0), {inputEvent(EV_KEY, device, 0)});
        if (judged && unit.event) {
            unit.event->setIntegerField(kSenderRegistryId, sender_);
            out.push_back(*unit.event);
        }
    }
    return out;
}

} // namespace corv::desktop
