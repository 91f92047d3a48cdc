#pragma once

// The state of a key capture, shown by the panel while keys are pressed.

#include "model/Observable.h"

#include <cstdint>

namespace corv::recorders {

inline constexpr std::uint16_t kNoKey = 0xFFFF;

class KeyBind : public ObservableObject {
public:
    // The instance in the slot now; it is replaced whenever a tab starts a capture.
    static KeyBind& shared();
    // Puts a fresh instance in the slot.
    static void reset();
    // Gives every field of this instance its starting value.
    void clear();

    // Event flags of the capture; kept from the first key down on.
    Published<std::uint64_t> raw{willChange_, 0};
    // Last key pressed or released; kNoKey for none.
    Published<std::uint16_t> key{willChange_, kNoKey};
    Published<std::int64_t> keyDownCount{willChange_, 0};
    Published<bool> modAllUp{willChange_, true};
    Published<bool> modLocked{willChange_, false};
};

} // namespace corv::recorders
