#pragma once

// The modifier flags held on the keyboards, as the key tap last saw them.
// Main thread.

#include <cstdint>

namespace corv::engine {

struct HeldModifiers {
    // Flags of the last modifier marker: the modifiers held on Logitech keyboards.
    std::uint64_t logiModifierFlags = 0;
    // Flags of the last ordinary flags-changed event.
    std::uint64_t keyboardModifierFlags = 0;
    // Both merged, as worked out at the last flags-changed event.
    std::uint64_t combinedModifierFlags = 0;

    static HeldModifiers& shared();
};

} // namespace corv::engine
