#include "platform/desktop/input/OutputModifiers.h"

#include "platform/desktop/input/EvdevDevice.h"
#include "platform/desktop/input/EvdevKeyMap.h"
#include "platform/desktop/input/InputRouter.h"

#include <cerrno>
#include <unistd.h>

namespace corv::desktop {

namespace {

constexpr std::array<std::uint16_t, 8> kCodes{KEY_LEFTCTRL, KEY_RIGHTCTRL, KEY_LEFTSHIFT, KEY_RIGHTSHIFT,
                                              KEY_LEFTALT,  KEY_RIGHTALT,  KEY_LEFTMETA,  KEY_RIGHTMETA};
constexpr platform::EventFlags kClasses = flag::Shift | flag::Control | flag::Option | flag::Command;

int indexOf(std::uint16_t code) {
    for (std::size_t i = 0; i < kCodes.size(); ++i)
        if (kCodes[i] == code) return static_cast<int>(i);
    return -1;
}

std::uint64_t bit(int index) { return std::uint64_t{1} << index; }

} // namespace

int OutputModifiers::attach(int fd, int index) {
    std::lock_guard lock(mutex_);
    if (index < 0)
        for (std::size_t i = kPosting + 1; i < kMax && index < 0; ++i)
            if (fds_[i] < 0) index = static_cast<int>(i);
    if (index < 0 || index >= static_cast<int>(kMax)) return -1;
    fds_[static_cast<std::size_t>(index)] = fd;
    return index;
}

void OutputModifiers::detach(int index) {
    if (index < 0 || index >= static_cast<int>(kMax)) return;
    std::lock_guard lock(mutex_);
    fds_[static_cast<std::size_t>(index)] = -1;
    for (Held& h : held_) {
        h.holders &= ~bit(index);
        h.deferred &= ~bit(index);
        h.lifted &= ~bit(index);
        h.restored &= ~bit(index);
    }
}

void OutputModifiers::writeLocked(int index, std::uint16_t code, std::int32_t value) {
    const int fd = fds_[static_cast<std::size_t>(index)];
    if (fd < 0) return;
    const input_event frame[2] = {inputEvent(EV_KEY, code, value), inputEvent(EV_SYN, SYN_REPORT, 0)};
    ssize_t n;
    do n = ::write(fd, frame, sizeof frame);
    while (n < 0 && errno == EINTR);
}

void OutputModifiers::guardLocked() {
    writeLocked(kPosting, kGuardKey, 1);
    writeLocked(kPosting, kGuardKey, 0);
}

bool OutputModifiers::write(int index, libevdev_uinput* device, std::vector<input_event>& events) {
    bool any = false;
    for (const input_event& ev : events) {
        if (ev.type != EV_KEY) continue;
        if (indexOf(ev.code) >= 0 || (ev.value == 1 && restoredAny_.load(std::memory_order_relaxed))) any = true;
    }
    if (index < 0 || !any) return writeFrame(device, events);
    std::lock_guard lock(mutex_);
    std::vector<std::pair<int, std::uint16_t>> flush;
    filterLocked(index, events, flush);
    const bool written = events.empty() || writeFrame(device, events);
    for (const auto& [d, code] : flush) writeLocked(d, code, 0);
    return written;
}

void OutputModifiers::filterLocked(int index, std::vector<input_event>& events,
                                   std::vector<std::pair<int, std::uint16_t>>& flush) {
    const std::uint64_t me = bit(index);
    std::erase_if(events, [&](const input_event& ev) {
        if (ev.type != EV_KEY) return false;
        const int i = indexOf(ev.code);
        if (i < 0) {
            // A key between a modifier put back and its up: that up is no tap.
            if (ev.value == 1) {
                for (Held& h : held_) h.restored = 0;
                restoredAny_ = false;
            }
            return false;
        }
        Held& h = held_[static_cast<std::size_t>(i)];
        if (ev.value == 2) return ((h.lifted | h.deferred) & me) != 0;
        if (ev.value == 1) {
            if (h.lifted & me) return true;
            if (h.deferred & me) {
                h.deferred &= ~me;
                h.holders |= me;
                return true;
            }
            h.holders |= me;
            return false;
        }
        if (h.lifted & me) {
            h.lifted &= ~me;
            return true;
        }
        if (h.deferred & me) return true;
        h.holders &= ~me;
        if (h.holders != 0) {
            h.deferred |= me;
            return true;
        }
        if (h.restored & me) guardLocked();
        h.restored &= ~me;
        for (std::size_t d = 0; d < kMax; ++d)
            if (h.deferred & bit(static_cast<int>(d))) flush.emplace_back(static_cast<int>(d), ev.code);
        h.deferred = 0;
        return false;
    });
}

void OutputModifiers::lift(platform::EventFlags flags) {
    std::lock_guard lock(mutex_);
    bool guarded = false;
    for (std::size_t i = 0; i < kCodes.size(); ++i) {
        Held& h = held_[i];
        if (modifierFlagsOfEvdev(kCodes[i]) & kClasses & flags) continue;
        const std::uint64_t clones = h.holders & ~bit(kPosting);
        if (!clones) continue;
        if (!guarded) guardLocked();
        guarded = true;
        for (std::size_t d = 0; d < kMax; ++d) {
            if (!(clones & bit(static_cast<int>(d)))) continue;
            writeLocked(static_cast<int>(d), kCodes[i], 0);
            h.holders &= ~bit(static_cast<int>(d));
            h.lifted |= bit(static_cast<int>(d));
            h.restored &= ~bit(static_cast<int>(d));
        }
    }
}

void OutputModifiers::restore() {
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < kCodes.size(); ++i) {
        Held& h = held_[i];
        if (!h.lifted) continue;
        for (std::size_t d = 0; d < kMax; ++d) {
            if (!(h.lifted & bit(static_cast<int>(d)))) continue;
            writeLocked(static_cast<int>(d), kCodes[i], 1);
            h.holders |= bit(static_cast<int>(d));
            h.restored |= bit(static_cast<int>(d));
        }
        h.lifted = 0;
        restoredAny_ = true;
    }
}

} // namespace corv::desktop
