#pragma once

// The modifier keys the user holds on the whole seat, whichever of its
// keyboards (or a keyboard's several event nodes) they are on, and its Caps
// Lock state. Every reader thread updates and reads it without a lock.

#include "platform/Event.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace corv::desktop {

class SeatModifiers {
public:
    // A key went down or up on some device (after its remap); keys that are
    // no modifiers are ignored.
    void key(std::uint16_t code, bool down);
    void toggleCapsLock() { capsLock_.fetch_xor(1); }
    void setCapsLock(bool on) { capsLock_.store(on ? 1 : 0); }
    // The flags of the modifiers held now, Caps Lock included.
    platform::EventFlags flags() const;

private:
    // Holders of each modifier key, by its index in the modifier table.
    std::array<std::atomic<int>, 9> held_{};
    std::atomic<int> capsLock_{0};
};

} // namespace corv::desktop
