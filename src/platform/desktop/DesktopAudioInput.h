#pragma once

#include "platform/AudioInput.h"

namespace corv::desktop {

// No default input device is reached on this desktop.
class DesktopAudioInput final : public platform::AudioInput {
public:
    std::optional<platform::AudioObject> defaultInputDevice() override { return std::nullopt; }
    std::optional<std::vector<platform::AudioControl>> controls(platform::AudioObject) override { return std::nullopt; }
    std::optional<bool> booleanValue(platform::AudioObject) override { return std::nullopt; }
    bool setBooleanValue(platform::AudioObject, bool) override { return false; }
};

} // namespace corv::desktop
