#pragma once

// Per keyboard, what its requests in progress need beyond the device lists:
// the root request whose answer is awaited, its latest discovery run, and how
// many automatic corrections of each setting are still allowed.

#include "logitech/LogiKeybs.h"

#include <array>
#include <cstdint>
#include <optional>

namespace corv::logitech {

// One automatic correction per setting, granted by each discovery and by each
// change the user makes.
inline constexpr int kCorrectionsPerChange = 1;

struct KeyboardRequests {
    std::optional<std::uint8_t> rootAwaited;  // byte 3 of the root request in flight
    std::uint64_t discoveryRun = 0;           // the latest discovery run; older ones stop
    int fnCorrections = 0;
    int backlightCorrections = 0;
    // A backlight read of each kind queued or in flight: later ones merge in.
    bool backlightConfigRead = false;
    bool backlightInfoRead = false;
    // The number of reprogrammable controls the keyboard last reported.
    std::uint8_t controlCount = 0;
};

class KeyboardRequestStates {
public:
    static KeyboardRequestStates& shared();
    std::array<KeyboardRequests, kKeyboardCount> k{};

    // Entry i, or none for an index outside the lists.
    KeyboardRequests* at(int keyboard);
    // Takes one allowed correction; false when none is left.
    static bool takeCorrection(int& budget);
};

} // namespace corv::logitech
