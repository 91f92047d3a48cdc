#pragma once

// The modifier keys the program's uinput devices (the clones and the posting
// device) hold down for the desktop, which ends a modifier at the first up
// from any device. One state per modifier decides what every device shows:
// the devices whose keys (or posts) want it down, and the devices it is down
// on. It goes down on one device when the first wants it and up on every
// device it is down on when the last lets go. Posted keys go down with exactly
// their flags: a modifier the user holds that they exclude is lifted first
// (after a key nothing binds, so that the lift is no lone tap) and put back,
// on a device that still wants it, once they are up. Reader threads and the
// main thread call it; frames without a modifier take no lock.

#include "platform/Event.h"

#include <linux/input.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

struct libevdev_uinput;

namespace corv::desktop {

class OutputModifiers {
public:
    static constexpr int kPosting = 0;  // the posting device's index
    static constexpr std::uint16_t kGuardKey = KEY_UNKNOWN;

    // A uinput device's descriptor (the posting device at kPosting); its
    // index, -1 when all are in use.
    int attach(int fd, int index = -1);
    // Before the device is destroyed.
    void detach(int index);
    // Writes a frame to the device as writeFrame() does, its modifier events
    // kept back or dropped as above; then the ups kept back on others that
    // waited for it.
    bool write(int index, libevdev_uinput* device, std::vector<input_event>& events);
    // Posted keys go down with these flags.
    void lift(platform::EventFlags flags);
    // The posted keys are all up.
    void restore();

private:
    static constexpr std::size_t kMax = 64;
    struct Held {
        std::uint64_t wanted = 0;    // devices whose keys or posts hold it
        std::uint64_t shown = 0;     // devices it is down on for the desktop
        std::uint64_t restored = 0;  // devices it went down on again, with no key since
        bool lifted = false;         // kept up while posted keys that exclude it are down
    };
    void filterLocked(int index, std::vector<input_event>& events, std::vector<std::pair<int, std::uint16_t>>& flush);
    // Every device it is down on lets it go: `index`'s own up is left to the
    // caller, the others go in `flush`.
    void takeDownLocked(Held& h, std::uint16_t code, int index, std::vector<std::pair<int, std::uint16_t>>& flush);
    // Puts it down again on one device that wants it, a clone before the
    // posting device.
    void restoreLocked(Held& h, std::uint16_t code);
    void writeLocked(int index, std::uint16_t code, std::int32_t value);
    void guardLocked();

    std::mutex mutex_;
    std::array<int, kMax> fds_ = [] {
        std::array<int, kMax> a{};
        a.fill(-1);
        return a;
    }();
    std::array<Held, 8> held_{};
    std::atomic<bool> restoredAny_{false};
};

} // namespace corv::desktop
