#pragma once

#include "platform/AudioInput.h"

#include <map>
#include <set>
#include <vector>

namespace corv::sim {

// A default input device (or none) with a list of controls and their
// boolean values.
class SimAudioInput final : public platform::AudioInput {
public:
    std::optional<platform::AudioObject> defaultInputDevice() override { return device; }
    std::optional<std::vector<platform::AudioControl>> controls(platform::AudioObject d) override {
        if (failControls || !device || d != *device) return std::nullopt;
        return controlList;
    }
    std::optional<bool> booleanValue(platform::AudioObject control) override {
        auto it = values.find(control);
        if (it == values.end() || unreadable.count(control)) return std::nullopt;
        return it->second;
    }
    bool setBooleanValue(platform::AudioObject control, bool value) override {
        if (!values.count(control) || unwritable.count(control)) return false;
        values[control] = value;
        return true;
    }

    // An input mute control with its state.
    void addInputMute(platform::AudioObject control, bool muted);

    std::optional<platform::AudioObject> device;
    std::vector<platform::AudioControl> controlList;
    std::map<platform::AudioObject, bool> values;
    std::set<platform::AudioObject> unreadable;
    std::set<platform::AudioObject> unwritable;
    bool failControls = false;
};

} // namespace corv::sim
