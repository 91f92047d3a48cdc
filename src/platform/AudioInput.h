#pragma once

// The audio hardware's default input device and its controls.

#include "platform/LoginWindow.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace corv::platform {

using AudioObject = std::uint32_t;

struct AudioControl {
    AudioObject id = 0;
    FourCharCode classId = 0;          // 'mute' for a mute control
    std::optional<FourCharCode> scope; // 'inpt' for input; nothing when unreadable
};

// Called off the main thread.
class AudioInput {
public:
    virtual ~AudioInput() = default;
    // Nothing when there is no default input device or it cannot be read.
    virtual std::optional<AudioObject> defaultInputDevice() = 0;
    // Nothing on error.
    virtual std::optional<std::vector<AudioControl>> controls(AudioObject device) = 0;
    virtual std::optional<bool> booleanValue(AudioObject control) = 0;
    // False when the value cannot be set.
    virtual bool setBooleanValue(AudioObject control, bool value) = 0;
};

} // namespace corv::platform
