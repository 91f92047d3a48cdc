#pragma once

// Per keyboard, what its requests in progress need beyond the device lists:
// the root request whose answer is awaited, and how many automatic
// corrections of each setting are still allowed.

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
    int fnCorrections = 0;
    int backlightCorrections = 0;
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
