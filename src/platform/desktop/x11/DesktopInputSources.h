#pragma once

#include "platform/InputSources.h"

namespace corv::desktop {

// This desktop has no selectable input sources.
class DesktopInputSources final : public platform::InputSources {
public:
    std::optional<std::vector<platform::InputSource>> selectableSources() override {
        return std::vector<platform::InputSource>{};
    }
    std::optional<platform::InputSource> currentKeyboardSource() override { return std::nullopt; }
    bool select(const platform::InputSource&) override { return false; }
    void setChangeHandlers(std::function<void()>, std::function<void()>) override {}
};

} // namespace corv::desktop
