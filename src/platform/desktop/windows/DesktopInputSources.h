#pragma once

#include "platform/InputSources.h"
#include "platform/desktop/windows/CompositorWindows.h"

#include <memory>

namespace corv::desktop {

// The keyboard's input sources are the layouts the desktop's windows facility
// tells (on X11 the XKB groups of the server's keymap, named by the keymap);
// the current one is the selected layout. A change of the layouts or their
// names counts as a change of the enabled sources, a new selection as a new
// selection. None where the facility tells none. Main thread.
class DesktopInputSources final : public platform::InputSources {
public:
    explicit DesktopInputSources(CompositorWindows& windows) : windows_(windows) {}
    ~DesktopInputSources() override;
    DesktopInputSources(const DesktopInputSources&) = delete;
    DesktopInputSources& operator=(const DesktopInputSources&) = delete;

    std::optional<std::vector<platform::InputSource>> selectableSources() override;
    std::optional<platform::InputSource> currentKeyboardSource() override;
    bool select(const platform::InputSource& source) override;
    void setChangeHandlers(std::function<void()> enabledChanged, std::function<void()> selectedChanged) override;

private:
    CompositorWindows& windows_;
    std::function<void()> enabledChanged_, selectedChanged_;
    std::optional<CompositorWatchId> watch_;
};

} // namespace corv::desktop
