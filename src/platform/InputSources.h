#pragma once

// Keyboard input sources (layouts and input methods).

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corv::platform {

// An input source; equal ids are the same source.
struct InputSource {
    std::string id;
    std::optional<std::string> localizedName;
    bool operator==(const InputSource& o) const { return id == o.id; }
};

class InputSources {
public:
    virtual ~InputSources() = default;

    // The enabled sources that can be selected; nothing when the list cannot
    // be read.
    virtual std::optional<std::vector<InputSource>> selectableSources() = 0;
    // The current keyboard input source; nothing when there is none.
    virtual std::optional<InputSource> currentKeyboardSource() = 0;
    // False when the source cannot be selected.
    virtual bool select(const InputSource& source) = 0;

    // Called on the main thread when the enabled sources change and when the
    // selected one changes; an empty function stops the calls.
    virtual void setChangeHandlers(std::function<void()> enabledChanged, std::function<void()> selectedChanged) = 0;
};

} // namespace corv::platform
