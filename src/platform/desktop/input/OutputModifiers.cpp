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
    const std::uint64_t me = bit(index);
    for (std::size_t i = 0; i < kCodes.size(); ++i) {
        Held& h = held_[i];
        h.wanted &= ~me;
        h.restored &= ~me;
        if (!(h.shown & me)) continue;
        // Down here for devices that still want it: it goes over to one of
        // them, after this device's up (the desktop ends it at that up).
        h.shown &= ~me;
        guardLocked();
        writeLocked(index, kCodes[i], 0);
        if (h.lifted || !h.wanted) continue;
        restoreLocked(h, kCodes[i]);
    }
    fds_[static_cast<std::size_t>(index)] = -1;
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

void OutputModifiers::takeDownLocked(Held& h, std::uint16_t code, int index,
                                     std::vector<std::pair<int, std::uint16_t>>& flush) {
    if (h.restored & h.shown) guardLocked();  // no lone tap of a modifier put back
    h.restored &= ~h.shown;
    for (std::size_t d = 0; d < kMax; ++d) {
        const int device = static_cast<int>(d);
        if ((h.shown & bit(device)) && device != index) flush.emplace_back(device, code);
    }
    h.shown = 0;
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
        if (ev.value == 2) return (h.shown & me) == 0;
        if (ev.value == 1) {
            h.wanted |= me;
            // Posted keys that include it end its lift.
            if (index == kPosting) h.lifted = false;
            if (h.lifted || h.shown) return true;
            h.shown |= me;
            return false;
        }
        h.wanted &= ~me;
        // Still wanted elsewhere: it stays down where it is.
        if (h.wanted && !h.lifted) return true;
        const bool mine = (h.shown & me) != 0;
        takeDownLocked(h, ev.code, index, flush);
        return !mine;
    });
}

void OutputModifiers::lift(platform::EventFlags flags) {
    std::lock_guard lock(mutex_);
    bool guarded = false;
    for (std::size_t i = 0; i < kCodes.size(); ++i) {
        Held& h = held_[i];
        if (modifierFlagsOfEvdev(kCodes[i]) & kClasses & flags) continue;
        if (!((h.wanted | h.shown) & ~bit(kPosting))) continue;
        h.lifted = true;
        const std::uint64_t clones = h.shown & ~bit(kPosting);
        if (!clones) continue;
        if (!guarded) guardLocked();
        guarded = true;
        for (std::size_t d = 0; d < kMax; ++d)
            if (clones & bit(static_cast<int>(d))) writeLocked(static_cast<int>(d), kCodes[i], 0);
        h.shown &= ~clones;
        h.restored &= ~clones;
    }
}

void OutputModifiers::restoreLocked(Held& h, std::uint16_t code) {
    const std::uint64_t clones = h.wanted & ~bit(kPosting);
    const int to = __builtin_ctzll(clones ? clones : h.wanted);
    writeLocked(to, code, 1);
    h.shown |= bit(to);
    h.restored |= bit(to);
    restoredAny_ = true;
}

void OutputModifiers::restore() {
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < kCodes.size(); ++i) {
        Held& h = held_[i];
        if (!h.lifted) continue;
        h.lifted = false;
        if (h.shown || !h.wanted) continue;
        restoreLocked(h, kCodes[i]);
    }
}

} // namespace corv::desktop
