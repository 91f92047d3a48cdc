#pragma once

// The modifier keys the program's uinput devices (the clones and the posting
// device) hold down for the desktop, which ends a modifier at the first up
// from any device. An up another of them still holds is kept back until the
// last one lets go. Posted keys go down with exactly their flags: a modifier
// a clone holds that they exclude is lifted there first (after a key nothing
// binds, so that the lift is no lone tap) and put back once they are up.
// Reader threads and the main thread call it; frames without a modifier
// take no lock.

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
        std::uint64_t holders = 0;   // devices that hold it for the desktop
        std::uint64_t deferred = 0;  // devices whose up waits for the last holder
        std::uint64_t lifted = 0;    // clones it was lifted on while posted keys are down
        std::uint64_t restored = 0;  // clones it went down on again, with no key since
    };
    void filterLocked(int index, std::vector<input_event>& events, std::vector<std::pair<int, std::uint16_t>>& flush);
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
