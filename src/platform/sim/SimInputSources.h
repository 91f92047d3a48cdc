#pragma once

#include "platform/InputSources.h"

namespace corv::sim {

// The selectable sources and the current one, as the test sets them;
// selections are logged and make the source current.
class SimInputSources final : public platform::InputSources {
public:
    std::optional<std::vector<platform::InputSource>> selectableSources() override { return sources; }
    std::optional<platform::InputSource> currentKeyboardSource() override { return current; }
    bool select(const platform::InputSource& source) override {
        selections.push_back(source.id);
        if (failSelect) return false;
        current = source;
        return true;
    }
    void setChangeHandlers(std::function<void()> enabled, std::function<void()> selected) override {
        enabledChanged = std::move(enabled);
        selectedChanged = std::move(selected);
    }

    std::optional<std::vector<platform::InputSource>> sources = std::vector<platform::InputSource>{};
    std::optional<platform::InputSource> current;
    bool failSelect = false;
    std::vector<std::string> selections;
    std::function<void()> enabledChanged;
    std::function<void()> selectedChanged;
};

} // namespace corv::sim
