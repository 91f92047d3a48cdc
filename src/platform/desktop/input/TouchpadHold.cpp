#include "platform/desktop/input/TouchpadHold.h"

#include <algorithm>

namespace corv::desktop {

namespace {

std::uint64_t timeNs(const input_event& ev) {
    return static_cast<std::uint64_t>(ev.input_event_sec) * 1'000'000'000ULL +
           static_cast<std::uint64_t>(ev.input_event_usec) * 1'000ULL;
}

input_event made(const input_event& stamp, std::uint16_t type, std::uint16_t code, std::int32_t value) {
    input_event ev = stamp;
    ev.type = type;
    ev.code = code;
    ev.value = value;
    return ev;
}

} // namespace

TouchpadHold::TouchpadHold(int slots)
    : device_(static_cast<std::size_t>(std::clamp(slots, 16, 256))),
      cloneIds_(static_cast<std::size_t>(std::clamp(slots, 16, 256)), -1) {}

std::vector<input_event> TouchpadHold::expire() {
    std::vector<input_event> out;
    if (state_ != State::Holding || held_.empty()) return out;
    passing(held_.front().front(), out);
    release(true, out);
    state_ = lastFingers_ == 0 ? State::Idle : State::Passing;
    return out;
}

std::vector<input_event> TouchpadHold::frame(std::span<const input_event> raw, int fingers, bool undecided,
                                             Verdict began) {
    std::vector<input_event> out;
    if (raw.empty()) return out;
    const std::uint64_t now = timeNs(raw.back());
    const State next = fingers == 0 ? State::Idle : State::Passing;
    // A touch that passed is held again only when its finger count changes:
    // only then can a new gesture begin.
    const bool fresh = state_ == State::Idle || fingers != lastFingers_;
    lastFingers_ = fingers;

    if (began == Verdict::Swallowed) {
        release(false, out);
        process(raw, false, out);
        if (cloneTouched()) liftClone(raw.back(), out);
        state_ = fingers == 0 ? State::Idle : State::Swallowing;
        announce_ = fingers != 0;
        return out;
    }
    if (began == Verdict::Passed) {
        passing(held_.empty() ? raw.front() : held_.front().front(), out);
        release(true, out);
        process(raw, true, out);
        state_ = next;
        return out;
    }
    switch (state_) {
    case State::Swallowing:
        // The swallowed gesture lasts until the finger count changes: then
        // whatever the fingers do next may pass again.
        if (!fresh || fingers == 0) {
            process(raw, false, out);
            if (fingers == 0) state_ = State::Idle, announce_ = false;
            return out;
        }
        [[fallthrough]];
    case State::Idle:
    case State::Passing:
        if (fingers >= 2 && undecided && fresh) {
            state_ = State::Holding;
            holdStart_ = now;
            held_.emplace_back(raw.begin(), raw.end());
            return out;
        }
        passing(raw.front(), out);
        process(raw, true, out);
        state_ = next;
        return out;
    case State::Holding:
        held_.emplace_back(raw.begin(), raw.end());
        if (fingers == 0 || !undecided || now - holdStart_ > kMaxHoldNs) {
            passing(held_.front().front(), out);
            release(true, out);
            state_ = next;
        }
        return out;
    }
    return out;
}

void TouchpadHold::release(bool emit, std::vector<input_event>& out) {
    for (const auto& f : held_) process(f, emit, out);
    held_.clear();
}

namespace {

// Whether the frame sets the code for the current slot after position i.
bool setLater(std::span<const input_event> raw, std::size_t i, std::uint16_t code) {
    for (std::size_t k = i + 1; k < raw.size(); ++k) {
        const input_event& ev = raw[k];
        if (ev.type == EV_ABS && ev.code == ABS_MT_SLOT) return false;
        if (ev.type == EV_ABS && ev.code == code) return true;
    }
    return false;
}

} // namespace

void TouchpadHold::process(std::span<const input_event> raw, bool emit, std::vector<input_event>& out) {
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const input_event& ev = raw[i];
        if (ev.type == EV_ABS && ev.code == ABS_MT_SLOT) {
            deviceSlot_ = ev.value;
            continue;  // written when the slot's values are
        }
        const bool slotValid = deviceSlot_ >= 0 && deviceSlot_ < static_cast<int>(device_.size());
        if (ev.type == EV_KEY && ev.code < KEY_CNT) deviceKeys_[ev.code] = ev.value != 0;
        if (ev.type == EV_ABS && ev.code == ABS_X) absX_ = ev.value;
        if (ev.type == EV_ABS && ev.code == ABS_Y) absY_ = ev.value;
        if (ev.type == EV_ABS && ev.code >= ABS_MT_TOUCH_MAJOR && ev.code <= ABS_MT_TOOL_Y) {
            if (!slotValid) continue;
            SlotState& s = device_[static_cast<std::size_t>(deviceSlot_)];
            if (ev.code == ABS_MT_TRACKING_ID) s.trackingId = ev.value;
            if (ev.code == ABS_MT_POSITION_X) s.x = ev.value, s.hasX = true;
            if (ev.code == ABS_MT_POSITION_Y) s.y = ev.value, s.hasY = true;
            if (!emit) continue;
            if (cloneSlot_ != deviceSlot_) {
                put(made(ev, EV_ABS, ABS_MT_SLOT, deviceSlot_), out);
            }
            put(ev, out);
            // A touch new to the clone gets its place even when the device
            // left it out as unchanged.
            if (ev.code == ABS_MT_TRACKING_ID && ev.value >= 0) {
                if (s.hasX && !setLater(raw, i, ABS_MT_POSITION_X)) put(made(ev, EV_ABS, ABS_MT_POSITION_X, s.x), out);
                if (s.hasY && !setLater(raw, i, ABS_MT_POSITION_Y)) put(made(ev, EV_ABS, ABS_MT_POSITION_Y, s.y), out);
            }
            continue;
        }
        if (emit) put(ev, out);
    }
}

void TouchpadHold::put(const input_event& ev, std::vector<input_event>& out) {
    if (ev.type == EV_ABS && ev.code == ABS_MT_SLOT) cloneSlot_ = ev.value;
    if (ev.type == EV_ABS && ev.code == ABS_MT_TRACKING_ID && cloneSlot_ >= 0 &&
        cloneSlot_ < static_cast<int>(cloneIds_.size()))
        cloneIds_[static_cast<std::size_t>(cloneSlot_)] = ev.value;
    if (ev.type == EV_KEY && ev.code < KEY_CNT) cloneKeys_[ev.code] = ev.value != 0;
    out.push_back(ev);
}

bool TouchpadHold::cloneTouched() const {
    for (int id : cloneIds_)
        if (id >= 0) return true;
    for (bool down : cloneKeys_)
        if (down) return true;
    return false;
}

void TouchpadHold::announce(const input_event& stamp, std::vector<input_event>& out) {
    announce_ = false;
    bool any = false;
    for (std::size_t i = 0; i < device_.size(); ++i) {
        const SlotState& s = device_[i];
        if (s.trackingId < 0 || cloneIds_[i] >= 0) continue;
        if (cloneSlot_ != static_cast<int>(i)) put(made(stamp, EV_ABS, ABS_MT_SLOT, static_cast<int>(i)), out);
        put(made(stamp, EV_ABS, ABS_MT_TRACKING_ID, s.trackingId), out);
        if (s.hasX) put(made(stamp, EV_ABS, ABS_MT_POSITION_X, s.x), out);
        if (s.hasY) put(made(stamp, EV_ABS, ABS_MT_POSITION_Y, s.y), out);
        any = true;
    }
    if (!any) return;
    if (absX_) put(made(stamp, EV_ABS, ABS_X, *absX_), out);
    if (absY_) put(made(stamp, EV_ABS, ABS_Y, *absY_), out);
    for (std::size_t code = 0; code < deviceKeys_.size(); ++code)
        if (deviceKeys_[code] && !cloneKeys_[code]) put(made(stamp, EV_KEY, static_cast<std::uint16_t>(code), 1), out);
    put(made(stamp, EV_SYN, SYN_REPORT, 0), out);
}

void TouchpadHold::liftClone(const input_event& stamp, std::vector<input_event>& out) {
    for (std::size_t i = 0; i < cloneIds_.size(); ++i) {
        if (cloneIds_[i] < 0) continue;
        if (cloneSlot_ != static_cast<int>(i)) put(made(stamp, EV_ABS, ABS_MT_SLOT, static_cast<int>(i)), out);
        put(made(stamp, EV_ABS, ABS_MT_TRACKING_ID, -1), out);
    }
    for (std::size_t code = 0; code < cloneKeys_.size(); ++code)
        if (cloneKeys_[code]) put(made(stamp, EV_KEY, static_cast<std::uint16_t>(code), 0), out);
    put(made(stamp, EV_SYN, SYN_REPORT, 0), out);
}

} // namespace corv::desktop
